// tunestrip-mp3info run as a process over generated files.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mp3w/mp3_writer.h"
#include "test_phone.h"

using namespace mp3w;

namespace {

std::string tool() { return (ts::bin_dir() / "tunestrip-mp3info").string(); }

// The key=value blocks of the tool's output.
std::vector<std::map<std::string, std::string>> blocks(const std::string& out) {
  std::vector<std::map<std::string, std::string>> result;
  std::map<std::string, std::string> cur;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) {
      if (!cur.empty()) result.push_back(cur);
      cur.clear();
      continue;
    }
    auto eq = line.find('=');
    if (eq != std::string::npos) cur[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (!cur.empty()) result.push_back(cur);
  return result;
}

TEST(Mp3InfoTool, HelpNamesEveryKey) {
  std::string out;
  EXPECT_EQ(ts::run_command(tool() + " --help", &out), 0);
  for (const char* key : {"file", "bitrate", "vbr", "length", "audiosize", "tagsize", "frequency",
                          "mode", "found"})
    EXPECT_NE(out.find(std::string("  ") + key + " "), std::string::npos) << key;
  EXPECT_EQ(ts::run_command(tool() + " 2>/dev/null"), 2);
  EXPECT_EQ(ts::run_command(tool() + " --bogus 2>/dev/null"), 2);
}

TEST(Mp3InfoTool, ReportsEachFileAndGoesOnPastUnreadableOnes) {
  ts::TempDir dir;
  Frame cbr;
  cbr.mode = JOINT_STEREO;
  write_file(dir.path() / "a.mp3", frames(cbr, 200));
  Id3v2Tag tag(3);
  tag.text("TIT2", "Тест", Enc::Utf16).picture(tiny_png(), "image/png").padding(500);
  Bytes tagged = tag.bytes();
  Frame mono;
  mono.version = MPEG2;
  mono.mode = SINGLE_CHANNEL;
  mono.frequency = 1;  // 24000
  write_file(dir.path() / "b tagged.mp3", join({tagged, xing_frame(mono, 300), frames(mono, 300)}));
  write_file(dir.path() / "c.bin", Bytes(3000, 0x20));

  std::string out;
  std::string cmd = tool() + " '" + (dir.path() / "a.mp3").string() + "' '" +
                    (dir.path() / "missing.mp3").string() + "' '" +
                    (dir.path() / "b tagged.mp3").string() + "' '" + (dir.path() / "c.bin").string() +
                    "' 2>'" + (dir.path() / "err.txt").string() + "'";
  EXPECT_EQ(ts::run_command(cmd, &out), 1);
  std::string err = ts::read_file(dir.path() / "err.txt");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_NE(err.find("missing.mp3"), std::string::npos);

  auto b = blocks(out);
  ASSERT_EQ(b.size(), 3u) << out;
  size_t a_size = frame_length(cbr) * 200;
  EXPECT_EQ(b[0]["file"], (dir.path() / "a.mp3").string());
  EXPECT_EQ(b[0]["bitrate"], "128");
  EXPECT_EQ(b[0]["vbr"], "0");
  EXPECT_EQ(b[0]["frequency"], "44100");
  EXPECT_EQ(b[0]["mode"], "1");
  EXPECT_EQ(b[0]["tagsize"], "0");
  EXPECT_EQ(b[0]["audiosize"], std::to_string(a_size));
  EXPECT_EQ(b[0]["length"], std::to_string(a_size * 8 / 1000 / 128));
  EXPECT_EQ(b[0]["found"], "1");

  EXPECT_EQ(b[1]["tagsize"], std::to_string(tagged.size() - 10));
  EXPECT_EQ(b[1]["vbr"], "1");
  EXPECT_EQ(b[1]["frequency"], "24000");
  EXPECT_EQ(b[1]["mode"], "3");
  EXPECT_EQ(b[1]["found"], "1");

  EXPECT_EQ(b[2]["found"], "0");
  EXPECT_EQ(b[2]["bitrate"], "0");
  EXPECT_EQ(b[2]["frequency"], "0");
  EXPECT_EQ(b[2]["audiosize"], "3000");
}

TEST(Mp3InfoTool, AgreesWithMp3infoOnConstantBitrateStreams) {
  if (ts::run_command("command -v mp3info >/dev/null 2>&1") != 0) GTEST_SKIP() << "mp3info not installed";
  ts::TempDir dir;
  struct Case {
    int version, bitrate, frequency, mode;
  } cases[] = {{MPEG1, 9, 0, STEREO}, {MPEG1, 14, 1, JOINT_STEREO}, {MPEG2, 8, 0, SINGLE_CHANNEL},
               {MPEG2, 4, 2, STEREO}, {MPEG1, 1, 2, SINGLE_CHANNEL}};
  for (const Case& c : cases) {
    Frame f;
    f.version = c.version;
    f.bitrate = c.bitrate;
    f.frequency = c.frequency;
    f.mode = c.mode;
    std::filesystem::path p = dir.path() / "x.mp3";
    write_file(p, frames(f, 1500));
    std::string ours, theirs;
    ts::run_command(tool() + " '" + p.string() + "'", &ours);
    ts::run_command("mp3info -p '%r %Q %S' '" + p.string() + "'", &theirs);
    auto b = blocks(ours);
    ASSERT_EQ(b.size(), 1u);
    int rate = 0, freq = 0, secs = 0;
    std::istringstream(theirs) >> rate >> freq >> secs;
    EXPECT_EQ(b[0]["bitrate"], std::to_string(rate)) << theirs;
    EXPECT_EQ(b[0]["frequency"], std::to_string(freq)) << theirs;
    EXPECT_NEAR(std::stoi(b[0]["length"]), secs, 1) << theirs;
  }
}

TEST(Mp3InfoTool, DemoSamples) {
  std::filesystem::path dir = ts::source_dir() / "samples";
  std::string out;
  std::string cmd = tool();
  for (const char* f : {"01 Dawn Chorus.mp3", "02 Полночный вальс.mp3", "03 Harbour Lights.mp3",
                        "04 Untitled Tones.mp3", "05 Drift.mp3", "Seaside/06 Seaside.mp3"})
    cmd += " '" + (dir / f).string() + "'";
  ASSERT_EQ(ts::run_command(cmd, &out), 0);
  auto b = blocks(out);
  ASSERT_EQ(b.size(), 6u);
  const char* rates[] = {"44100", "24000", "32000", "22050", "32000", "44100"};
  for (size_t i = 0; i < b.size(); ++i) {
    EXPECT_EQ(b[i]["found"], "1") << i;
    EXPECT_EQ(b[i]["vbr"], i == 4 ? "1" : "0") << i;
    EXPECT_EQ(b[i]["frequency"], rates[i]) << i;
  }
  EXPECT_EQ(b[1]["mode"], "3");
  EXPECT_EQ(b[3]["tagsize"], "0");
}

}  // namespace
