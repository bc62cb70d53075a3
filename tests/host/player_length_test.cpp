// Track lengths from libmpg123 after a full scan: exact for CBR, VBR without a Xing header and
// MPEG-2/2.5 streams (576 samples a frame), and 0 for what does not decode.
#include <gtest/gtest.h>

#include <fileref.h>

#include <fstream>
#include <string>

#include "player/mp3_length.h"
#include "player_test_util.h"

namespace player_test {
namespace {

using namespace mp3w;

TEST(PlayerLength, CbrIsFramesTimesSamplesOverRate) {
  TempDir d;
  Frame f;  // 128 kbit/s, 44100 Hz
  write_file(d / "cbr.mp3", join({Id3v2Tag(3).text("TIT2", "x").padding(500).bytes(),
                                  frames(f, 1000)}));
  // 1000 × 1152 / 44100 = 26.122 s
  EXPECT_EQ(host::mp3_length_ms(d / "cbr.mp3"), 26122);
  EXPECT_EQ(host::mp3_length_seconds(d / "cbr.mp3"), 26);
}

TEST(PlayerLength, VbrWithoutXingCountsEveryFrame) {
  TempDir d;
  Frame lo, hi;
  lo.bitrate = 1;   // 32 kbit/s
  hi.bitrate = 14;  // 320 kbit/s
  // A low-rate start and a long high-rate body: an estimate from the first frame and the file
  // size takes it for about ten times its length.
  write_file(d / "vbr.mp3", join({frames(lo, 50), frames(hi, 950)}));
  EXPECT_EQ(host::mp3_length_seconds(d / "vbr.mp3"), 26);
  EXPECT_EQ(host::mp3_length_ms(d / "vbr.mp3"), 26122);
  // TagLib's estimate is far off here, which is why the player scans.
  TagLib::FileRef ref((d / "vbr.mp3").c_str(), true, TagLib::AudioProperties::Fast);
  ASSERT_FALSE(ref.isNull());
  EXPECT_GT(std::abs(ref.audioProperties()->lengthInSeconds() - 26), 10);
}

TEST(PlayerLength, Mpeg2And25FramesHold576Samples) {
  TempDir d;
  Frame m2;
  m2.version = MPEG2;
  m2.bitrate = 8;     // 64 kbit/s
  m2.frequency = 1;   // 24000 Hz
  write_file(d / "m2.mp3", frames(m2, 1000));
  EXPECT_EQ(host::mp3_length_ms(d / "m2.mp3"), 24000);  // 1000 × 576 / 24000

  Frame m25;
  m25.version = MPEG25;
  m25.bitrate = 1;    // 8 kbit/s
  m25.frequency = 2;  // 8000 Hz
  m25.mode = SINGLE_CHANNEL;
  write_file(d / "m25.mp3", frames(m25, 500));
  EXPECT_EQ(host::mp3_length_ms(d / "m25.mp3"), 36000);  // 500 × 576 / 8000
}

TEST(PlayerLength, ZerosAfterTheAudioEndTheScan) {
  TempDir d;
  // Without a bound on the search for the next frame, the scan reads through every zero.
  write_file(d / "tail.mp3", join({frames(Frame{}, 100), Bytes(20'000'000, 0)}));
  EXPECT_EQ(host::mp3_length_ms(d / "tail.mp3"), 2612);  // 100 × 1152 / 44100
}

// The bytes this process has read so far, as the kernel counts them.
uint64_t bytes_read() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

TEST(PlayerLength, ABigTagIsSkippedUnread) {
  TempDir d;
  // libmpg123 reads a whole ID3v2 tag to parse it: 64 MiB of reads and memory for this one.
  write_file(d / "big.mp3", join({Id3v2Tag(3).text("TIT2", "x").padding(64u << 20).bytes(),
                                  frames(Frame{}, 100)}));
  const uint64_t before = bytes_read();
  EXPECT_EQ(host::mp3_length_ms(d / "big.mp3"), 2612);
  EXPECT_LT(bytes_read() - before, 1u << 20);
}

TEST(PlayerLength, UndecodableOrMissingIsZero) {
  TempDir d;
  touch(d / "text.mp3", "this is not an MPEG audio stream at all, just words.");
  touch(d / "empty.mp3", "");
  EXPECT_EQ(host::mp3_length_seconds(d / "text.mp3"), 0);
  EXPECT_EQ(host::mp3_length_seconds(d / "empty.mp3"), 0);
  EXPECT_EQ(host::mp3_length_seconds(d / "missing.mp3"), 0);
}

// The player's record carries the scanned length; a VBR track plays for its real length.
using PlayerLengthInPlayer = PlayerTest;

TEST_F(PlayerLengthInPlayer, RecordAndPlayTimeUseTheScannedLength) {
  Frame lo, hi;
  lo.bitrate = 1;
  hi.bitrate = 14;
  write_file(music_ / "1.mp3", join({frames(lo, 50), frames(hi, 950)}));  // 26.122 s
  write_silent_mp3(music_ / "2.mp3", 5000);
  player().start(music_.path());
  FwAddr rec = player().track_record();
  EXPECT_EQ(phone_.arena().read32(rec + 0x10), 26u);
  EXPECT_EQ(player().now_playing().length, 26);
  run_for(26121);
  EXPECT_EQ(player().now_playing().index, 0);
  run_for(1);
  EXPECT_EQ(player().now_playing().index, 1);
  EXPECT_EQ(player().now_playing().position, 0);
}

// A list read from a folder leaves such files out; one given file by file still plays.
TEST_F(PlayerLengthInPlayer, UndecodableTrackHasLengthZeroAndStillMovesOn) {
  touch(music_ / "1.mp3", "junk");
  touch(music_ / "2.mp3", "junk");
  player().start(std::vector<fs::path>{music_ / "1.mp3", music_ / "2.mp3"});
  EXPECT_EQ(phone_.arena().read32(player().track_record() + 0x10), 0u);
  run_for(1000);
  EXPECT_EQ(player().now_playing().index, 1);
  run_for(1000);
  EXPECT_EQ(player().now_playing().index, 0);  // wrapped round
}

}  // namespace
}  // namespace player_test

namespace player_test {
namespace {

TEST_F(PlayerLengthInPlayer, ARewrittenFileIsMeasuredAgain) {
  write_silent_mp3(music_ / "a.mp3", 3000);
  player().start(music_.path());
  EXPECT_EQ(player().now_playing().length, 3);
  player().close();
  write_silent_mp3(music_ / "a.mp3", 7000);
  player().start(music_.path());
  EXPECT_EQ(player().now_playing().length, 7);
  EXPECT_EQ(phone_.arena().read32(player().track_record() + 0x10), 7u);
}

}  // namespace
}  // namespace player_test
