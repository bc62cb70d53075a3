// The player on the virtual clock: play-time ticks, pause, track changes, close, the UI events
// and play/pause service the add-on sends, and what the player's screen is told.
#include <gtest/gtest.h>

#include "core/wstr.h"
#include "player_test_util.h"

namespace player_test {
namespace {

using host::codes::MEDIAPLAYER_CLOSED;
using host::codes::MEDIAPLAYER_PLAY;
using host::codes::MEDIAPLAYER_PLAY_TIMER;
using host::codes::MEDIAPLAYER_TRACK;

using PlayerEvents = PlayerTest;

TEST_F(PlayerEvents, PlayThenATickEverySecondOfPlayTime) {
  write_silent_mp3(music_ / "a.mp3", 10000);
  player().start(music_.path());
  EXPECT_TRUE(g_heard.empty());  // events are queued, never delivered inside the command
  settle();
  ASSERT_EQ(codes_heard(), std::vector<uint32_t>{MEDIAPLAYER_PLAY});
  EXPECT_TRUE(g_heard[0].player_found);

  run_for(3500);
  auto t = ticks();
  ASSERT_EQ(t.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(t[i].at, 1000 * (i + 1));
    EXPECT_EQ(t[i].hours, 0);
    EXPECT_EQ(t[i].minutes, 0);
    EXPECT_EQ(t[i].seconds, i + 1);
  }
}

TEST_F(PlayerEvents, PausedSendsNoTicksAndResumeKeepsTheFraction) {
  write_silent_mp3(music_ / "a.mp3", 10000);
  player().start(music_.path());
  run_for(2500);
  player().pause();
  EXPECT_FALSE(player().now_playing().playing);
  run_for(60000);
  EXPECT_EQ(ticks().size(), 2u);
  EXPECT_EQ(player().now_playing().position, 2);

  g_heard.clear();
  player().play();
  run_for(600);
  // Resumed at 62.5 s with 2.5 s played: the next second of play time is 0.5 s later.
  ASSERT_EQ(codes_heard(), (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_PLAY_TIMER}));
  EXPECT_EQ(g_heard[1].at, 63000);
  EXPECT_EQ(g_heard[1].seconds, 3);

  // play() while playing and pause() twice change nothing and send nothing.
  g_heard.clear();
  player().play();
  player().pause();
  player().pause();
  run_for(5000);
  EXPECT_TRUE(g_heard.empty());
}

TEST_F(PlayerEvents, HoursMinutesSecondsOfTheTick) {
  // A long low-rate track: MPEG-2.5, 8 kbit/s, 8000 Hz, 72 bytes a frame of 576 samples.
  mp3w::Frame f;
  f.version = mp3w::MPEG25;
  f.bitrate = 1;
  f.frequency = 2;
  f.mode = mp3w::SINGLE_CHANNEL;
  mp3w::write_file(music_ / "long.mp3", mp3w::frames(f, 3700 * 8000 / 576));
  player().start(music_.path());
  EXPECT_EQ(player().now_playing().length, 3699);
  player().seek(3598);
  run_for(3000);
  auto t = ticks();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ((std::vector<int>{t[0].hours, t[0].minutes, t[0].seconds}),
            (std::vector<int>{0, 59, 59}));
  EXPECT_EQ((std::vector<int>{t[1].hours, t[1].minutes, t[1].seconds}),
            (std::vector<int>{1, 0, 0}));
  EXPECT_EQ((std::vector<int>{t[2].hours, t[2].minutes, t[2].seconds}),
            (std::vector<int>{1, 0, 1}));
}

TEST_F(PlayerEvents, EndOfTrackGoesOnAndTheListWrapsRound) {
  int64_t a = write_silent_mp3(music_ / "1.mp3", 2500);  // 2.481 s of whole frames
  int64_t b = write_silent_mp3(music_ / "2.mp3", 1500);
  player().start(music_.path());
  run_for(a + b + 100);
  ASSERT_EQ(codes_heard(),
            (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_PLAY_TIMER, MEDIAPLAYER_PLAY_TIMER,
                                   MEDIAPLAYER_TRACK, MEDIAPLAYER_PLAY_TIMER, MEDIAPLAYER_TRACK}));
  EXPECT_EQ(g_heard[3].at, a);
  EXPECT_EQ(g_heard[4].at, a + 1000);
  EXPECT_EQ(g_heard[4].seconds, 1);  // the new track counts from 0
  EXPECT_EQ(g_heard[5].at, a + b);
  EXPECT_EQ(player().now_playing().index, 0);
  EXPECT_TRUE(player().now_playing().playing);
}

TEST_F(PlayerEvents, NextPrevAndCloseInOrder) {
  write_silent_mp3(music_ / "1.mp3", 5000);
  write_silent_mp3(music_ / "2.mp3", 5000);
  write_silent_mp3(music_ / "3.mp3", 5000);
  player().start(music_.path());
  run_for(1500);
  player().next();
  EXPECT_EQ(player().now_playing().index, 1);
  EXPECT_EQ(player().now_playing().position, 0);
  run_for(900);  // the new track's first second is not over: no tick yet
  player().prev();
  player().prev();
  EXPECT_EQ(player().now_playing().index, 2);
  player().close();
  run_for(5000);
  ASSERT_EQ(codes_heard(),
            (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_PLAY_TIMER, MEDIAPLAYER_TRACK,
                                   MEDIAPLAYER_TRACK, MEDIAPLAYER_TRACK, MEDIAPLAYER_CLOSED}));
  EXPECT_FALSE(g_heard.back().player_found);  // closed after the book is gone
  EXPECT_FALSE(player().now_playing().running);

  // Commands to a closed player do nothing; close twice sends nothing.
  g_heard.clear();
  player().next();
  player().play();
  player().close();
  run_for(3000);
  EXPECT_TRUE(g_heard.empty());
}

TEST_F(PlayerEvents, NextWhilePausedStaysPaused) {
  write_silent_mp3(music_ / "1.mp3", 5000);
  write_silent_mp3(music_ / "2.mp3", 5000);
  player().start(music_.path());
  run_for(1000);
  player().pause();
  player().next();
  run_for(5000);
  EXPECT_EQ(codes_heard(),
            (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_PLAY_TIMER, MEDIAPLAYER_TRACK}));
  EXPECT_FALSE(player().now_playing().playing);
  EXPECT_EQ(player().now_playing().position, 0);
}

TEST_F(PlayerEvents, StartingAgainReplacesTheListInTheSameBook) {
  write_silent_mp3(music_ / "one/a.mp3", 5000);
  write_silent_mp3(music_ / "two/b.mp3", 5000);
  write_silent_mp3(music_ / "two/c.mp3", 5000);
  player().start(music_ / "one");
  BOOK* book = player().book();
  settle();
  g_heard.clear();
  player().start(music_ / "two");
  settle();
  EXPECT_EQ(player().book(), book);
  EXPECT_EQ(codes_heard(), std::vector<uint32_t>{MEDIAPLAYER_TRACK});
  EXPECT_EQ(player().now_playing().count, 2);

  // From a pause, the new list also resumes play.
  player().pause();
  g_heard.clear();
  player().start(music_ / "one");
  settle();
  EXPECT_EQ(codes_heard(), (std::vector<uint32_t>{MEDIAPLAYER_TRACK, MEDIAPLAYER_PLAY}));
}

TEST_F(PlayerEvents, SeekClampsToTheTrack) {
  int64_t len = write_silent_mp3(music_ / "1.mp3", 5000);
  write_silent_mp3(music_ / "2.mp3", 5000);
  player().start(music_.path());
  player().seek(-5);
  EXPECT_EQ(player().position_ms(), 0);
  player().seek(3);
  run_for(1000);
  EXPECT_EQ(ticks().back().seconds, 4);
  player().seek(999);  // past the end: the track is over
  EXPECT_EQ(player().position_ms(), len);
  settle();
  EXPECT_EQ(player().now_playing().index, 1);
}

TEST_F(PlayerEvents, UiEventsAndPlayPauseFromTheAddOn) {
  write_silent_mp3(music_ / "1.mp3", 5000);
  write_silent_mp3(music_ / "2.mp3", 5000);
  // Nothing runs yet: the services do nothing.
  host::svc::fw_send_ui_event(host::codes::UI_MEDIAPLAYER_NEXT_TRACK);
  host::svc::fw_player_play_pause(0);
  EXPECT_FALSE(player().running());

  player().start(music_.path());
  host::svc::fw_send_ui_event(host::codes::UI_MEDIAPLAYER_NEXT_TRACK);
  EXPECT_EQ(player().now_playing().index, 1);
  host::svc::fw_send_ui_event(host::codes::UI_MEDIAPLAYER_PREV_TRACK);
  host::svc::fw_send_ui_event(host::codes::UI_MEDIAPLAYER_PREV_TRACK);
  EXPECT_EQ(player().now_playing().index, 1);

  int v = player().now_playing().volume;
  EXPECT_EQ(v, host::MediaPlayer::kDefaultVolume);
  host::svc::fw_send_ui_event(host::codes::UI_VOLUME_UP);
  EXPECT_EQ(player().now_playing().volume, v + 1);
  for (int i = 0; i < 40; ++i) host::svc::fw_send_ui_event(host::codes::UI_VOLUME_UP);
  EXPECT_EQ(player().now_playing().volume, host::MediaPlayer::kMaxVolume);
  for (int i = 0; i < 40; ++i) host::svc::fw_send_ui_event(host::codes::UI_VOLUME_DOWN);
  EXPECT_EQ(player().now_playing().volume, 0);
  host::svc::fw_send_ui_event(12345);  // unknown: ignored
  EXPECT_EQ(player().now_playing().index, 1);

  host::svc::fw_player_play_pause(0);
  EXPECT_FALSE(player().now_playing().playing);
  host::svc::fw_player_play_pause(0);
  EXPECT_TRUE(player().now_playing().playing);
}

TEST_F(PlayerEvents, CommandsFromAHandlerAreDeliveredAfterItReturns) {
  write_silent_mp3(music_ / "1.mp3", 5000);
  write_silent_mp3(music_ / "2.mp3", 5000);
  g_hook_code = MEDIAPLAYER_PLAY_TIMER;
  g_hook = [] {
    host::svc::fw_send_ui_event(host::codes::UI_MEDIAPLAYER_NEXT_TRACK);
    host::svc::fw_player_play_pause(0);  // pause
    host::svc::fw_player_play_pause(0);  // and play again
    g_hook = nullptr;
  };
  player().start(music_.path());
  run_for(1000);
  EXPECT_EQ(codes_heard(), (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_PLAY_TIMER,
                                                  MEDIAPLAYER_TRACK, MEDIAPLAYER_PLAY}));
  for (const Heard& h : g_heard) EXPECT_EQ(h.depth, 1);
  EXPECT_EQ(player().now_playing().index, 1);
}

TEST_F(PlayerEvents, ClosedOnPauseWhenTheFirmwareDoesSo) {
  write_silent_mp3(music_ / "1.mp3", 5000);
  player().set_closed_on_pause(true);
  player().start(music_.path());
  player().pause();
  settle();
  ASSERT_EQ(codes_heard(), (std::vector<uint32_t>{MEDIAPLAYER_PLAY, MEDIAPLAYER_CLOSED}));
  EXPECT_TRUE(g_heard.back().player_found);  // the book stays
  EXPECT_TRUE(player().running());
}

TEST_F(PlayerEvents, NowPlayingTagsInEveryEncoding) {
  using namespace mp3w;
  write_silent_mp3(music_ / "1.mp3", 3000,
                   Id3v2Tag(3).text("TIT2", "Песня", Enc::Utf16).text("TPE1", "Группа").bytes());
  write_silent_mp3(music_ / "2.mp3", 3000, Id3v2Tag(4).text("TIT2", "Ünïcödé", Enc::Utf8).bytes());
  {
    Id3v1 v1;
    v1.title = "Старое";
    v1.artist = "Кто-то";
    auto body = frames(cbr_frame(), 100);
    write_file(music_ / "3.mp3", join({body, id3v1(v1)}));
  }
  write_silent_mp3(music_ / "4 no tags.mp3", 3000);

  player().start(music_.path());
  host::NowPlaying np = player().now_playing();
  EXPECT_TRUE(np.running);
  EXPECT_TRUE(np.playing);
  EXPECT_EQ(np.title, u"Песня");
  EXPECT_EQ(np.artist, u"Группа");  // a Latin-1 frame holding CP1251 bytes
  EXPECT_EQ(np.length, 3);
  EXPECT_EQ(np.count, 4);
  player().next();
  EXPECT_EQ(player().now_playing().title, u"Ünïcödé");
  EXPECT_EQ(player().now_playing().artist, u"");
  player().next();
  EXPECT_EQ(player().now_playing().title, u"Старое");
  EXPECT_EQ(player().now_playing().artist, u"Кто-то");
  player().next();
  EXPECT_EQ(player().now_playing().title, u"4 no tags.mp3");
  run_for(2200);
  EXPECT_EQ(player().now_playing().position, 2);
}

}  // namespace
}  // namespace player_test
