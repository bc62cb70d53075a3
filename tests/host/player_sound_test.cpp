// The player's sound under SDL's dummy audio driver (a device that plays nothing aloud): the
// decoded position follows the player's through play, pause, seeks, chosen tracks and the end of
// a track, the device's queue stays bounded however fast the clock runs, and a phone whose audio
// cannot start runs silently.
#include <gtest/gtest.h>

#include <cstdlib>

#include "player/player_sound.h"
#include "player_test_util.h"

namespace player_test {
namespace {

using host::PlayerSound;

// SDL reads the driver's name when its audio starts, that is when the phone is made.
host::Options sound_with_driver(const char* driver) {
  setenv("SDL_AUDIODRIVER", driver, 1);
  host::Options o;
  o.sound = true;
  return o;
}

class PlayerSoundTest : public PlayerTest {
 protected:
  PlayerSoundTest() : PlayerTest(sound_with_driver("dummy")) {}

  const PlayerSound& sound() { return player().sound(); }
  // The decoded sound lies between the player's position and the lead past it.
  void expect_follows(const char* when) {
    int64_t pos = player().position_ms();
    int64_t decoded = sound().decoded_ms();
    EXPECT_GE(decoded, pos) << when;
    EXPECT_LE(decoded, pos + PlayerSound::kLeadMs) << when;
  }
};

TEST_F(PlayerSoundTest, DecodedSoundFollowsThePlayer) {
  write_silent_mp3(music_ / "1.mp3", 3000);
  // The second track has another rate and one channel: the device goes on in its own format.
  mp3w::Frame mono;
  mono.version = mp3w::MPEG2;
  mono.bitrate = 8;    // 64 kbit/s
  mono.frequency = 1;  // 24000 Hz
  mono.mode = mp3w::SINGLE_CHANNEL;
  mp3w::write_file(music_ / "2.mp3", mp3w::frames(mono, 125));  // 3 s
  player().start(music_.path());
  if (sound().status() == "off: built without SDL2") GTEST_SKIP() << sound().status();
  ASSERT_TRUE(sound().on()) << sound().status();
  EXPECT_EQ(sound().status().rfind("on (SDL audio driver \"dummy\"", 0), 0u) << sound().status();
  EXPECT_EQ(sound().decoded_ms(), PlayerSound::kLeadMs);  // the lead is ready at once

  run_for(1010);
  expect_follows("playing");
  EXPECT_GT(sound().decoded_ms(), 1000);

  player().pause();
  int64_t decoded = sound().decoded_ms();
  int64_t queued = sound().queued_ms();
  run_for(5000);
  EXPECT_EQ(sound().decoded_ms(), decoded);
  EXPECT_EQ(sound().queued_ms(), queued);  // kept for the resume: no gap, no repeat
  player().play();
  run_for(490);
  expect_follows("resumed");

  ASSERT_GT(sound().queued_ms(), PlayerSound::kLeadMs);
  player().seek(0);  // back: what was queued goes, decoding starts again at the new position
  expect_follows("seek back");
  EXPECT_LE(sound().queued_ms(), PlayerSound::kLeadMs);
  player().seek(2);
  expect_follows("seek on");

  run_for(1010);  // past the end of the first track (3000 ms of whole frames: 3004 ms)
  ASSERT_EQ(player().now_playing().index, 1);
  EXPECT_LT(player().position_ms(), 100);
  expect_follows("after the end of a track");

  ASSERT_GT(sound().queued_ms(), PlayerSound::kLeadMs);
  player().next();  // after the last track: the first again, from its start
  EXPECT_EQ(sound().decoded_ms(), PlayerSound::kLeadMs);
  EXPECT_LE(sound().queued_ms(), PlayerSound::kLeadMs);

  // A clock far faster than the device drains: the sound keeps up with the clock, and the
  // device's queue stays bounded.
  for (int i = 0; i < 200; ++i) {
    run_for(97);
    expect_follows("fast clock");
    ASSERT_LE(sound().queued_ms(), PlayerSound::kQueueLimitMs + PlayerSound::kLeadMs);
  }

  player().close();
  EXPECT_EQ(sound().decoded_ms(), -1);
  EXPECT_EQ(sound().queued_ms(), 0);
}

TEST(PlayerSoundUnavailable, WithoutADeviceThePlayerRunsSilently) {
  TempDir music;
  write_silent_mp3(music / "a.mp3", 3000);
  {
    host::Phone phone(sound_with_driver("nonexistent-driver"));
    const PlayerSound& sound = phone.player().sound();
    EXPECT_FALSE(sound.on());
    EXPECT_EQ(sound.status().rfind("off: ", 0), 0u) << sound.status();
    phone.player().start(music.path());
    phone.queue().run_for(1500);
    EXPECT_EQ(phone.player().position_ms(), 1500);
    EXPECT_EQ(sound.decoded_ms(), -1);
  }
  host::Phone quiet{host::Options{}};
  EXPECT_EQ(quiet.player().sound().status(), "off");
}

}  // namespace
}  // namespace player_test
