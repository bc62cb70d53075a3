// The fixture of the panel's whole runs: a phone playing a few silent tracks with the add-on
// started, and ways to read the call trace of its frames. Each test ends the add-on in TearDown
// and checks that nothing of it is left.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/books.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "core/text_store.h"
#include "core/timers.h"
#include "core/wstr.h"
#include "images/image_store.h"
#include "mp3w/mp3_writer.h"
#include "core/addon_runtime.h"
#include "player/media_player.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "screen/screen.h"
#include "test_phone.h"

namespace panel_scenario {

namespace fs = std::filesystem;
namespace codes = host::codes;
using ts::TestPhone;


constexpr int kHotKey = codes::KEY_MUSIC;
// Where the configuration block keeps the slide speed (a raw write can hold any value).
constexpr size_t kHideSpeedOffset = 7028;

// The arguments of one trace line, as written ("ptr", numbers, quoted strings).
inline std::vector<std::string> Args(const std::string& line) {
  std::vector<std::string> out;
  size_t open = line.find('('), close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return out;
  std::stringstream s(line.substr(open + 1, close - open - 1));
  std::string a;
  while (std::getline(s, a, ',')) {
    size_t b = a.find_first_not_of(' ');
    out.push_back(b == std::string::npos ? "" : a.substr(b));
  }
  return out;
}

inline long Arg(const std::string& line, size_t i) { return std::stol(Args(line).at(i)); }

class PanelScenario : public ::testing::Test {
 protected:
  // Writes `tracks` MP3s of the given lengths (seconds of silence at 32 kbit/s) and a
  // configuration file with `settings` (NAME=VALUE), then starts the phone. The player is started
  // before the add-on when `player` is set.
  void Start(std::vector<std::string> settings = {}, std::vector<int> lengths = {10, 10, 10},
             bool player = true, host::Options options = {},
             std::optional<int> raw_speed = std::nullopt) {
    t_.reset();
    music_ = std::make_unique<ts::TempDir>();
    t_ = std::make_unique<TestPhone>(options);
    for (size_t i = 0; i < lengths.size(); ++i) {
      mp3w::Frame f;
      f.bitrate = 1;  // 32 kbit/s keeps long tracks small
      int frames = int(std::ceil(lengths[i] * 44100.0 / 1152.0));
      mp3w::Id3v2Tag tag(3);
      tag.text("TIT2", "Song " + std::to_string(i + 1)).text("TPE1", "Artist");
      mp3w::write_file(music_->path() / ("0" + std::to_string(i + 1) + ".mp3"),
                       mp3w::join({tag.bytes(), mp3w::frames(f, frames)}));
    }
    fs::path cfg = t_->config_file();
    fs::create_directories(cfg.parent_path());
    std::string tool = (ts::bin_dir() / "tunestrip-bcfg").string();
    ASSERT_EQ(ts::run_command(tool + " default " + cfg.string()), 0);
    if (!settings.empty()) {
      std::string cmd = tool + " set " + cfg.string();
      for (const auto& s : settings) cmd += " '" + s + "'";
      ASSERT_EQ(ts::run_command(cmd), 0) << cmd;
    }
    if (raw_speed) {
      std::string bytes = ts::read_file(cfg);
      std::memcpy(bytes.data() + kHideSpeedOffset, &*raw_speed, 4);
      ts::write_file(cfg, bytes);
    }
    if (player) t_->phone.player().start(music_->path());
    ASSERT_EQ(t_->start_addon(), 0);
    t_->run(10);
  }

  host::Phone& phone() { return t_->phone; }
  void Press(int key) { t_->press(key); }
  void Run(int64_t ms) { t_->run(ms); }
  std::vector<std::string> Trace(std::string_view prefix = "") { return t_->trace(prefix); }
  void ClearTrace() { t_->clear_trace(); }

  // The slide offset of every frame drawn since the trace was cleared: the background picture
  // (the default panel, drawn from an image over rcFON at 0,240 .. 240,320) lies at 240 + offset.
  std::vector<int> Offsets() {
    std::vector<int> out;
    for (const auto& l : Trace("fw_draw_image(")) {
      auto a = Args(l);
      if (a.at(1) == "0" && a.at(3) == "240" && a.at(4) == "80") out.push_back(std::stoi(a[2]) - 240);
    }
    return out;
  }

  // Index of the first trace line at or after `from` that begins with `prefix`, or -1.
  long Find(std::string_view prefix, long from = 0) {
    const auto& lines = phone().trace().lines();
    for (size_t i = size_t(from); i < lines.size(); ++i)
      if (lines[i].compare(0, prefix.size(), prefix) == 0) return long(i);
    return -1;
  }
  long FindLast(std::string_view prefix) {
    const auto& lines = phone().trace().lines();
    for (size_t i = lines.size(); i-- > 0;)
      if (lines[i].compare(0, prefix.size(), prefix) == 0) return long(i);
    return -1;
  }

  bool PanelShown() { return phone().gui().live() != 0; }

  // The trace lines of the last redraw (each begins by asking for its graphics context).
  std::vector<std::string> LastFrame() {
    const auto& lines = phone().trace().lines();
    long start = FindLast("fw_get_gc(");
    if (start < 0) return {};
    return std::vector<std::string>(lines.begin() + start, lines.end());
  }
  static std::vector<std::string> Only(const std::vector<std::string>& lines,
                                       std::string_view prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
  }
  // The x of the selected button's frame in the last redraw, or -1 when none was drawn.
  int SelectedX() {
    int x = -1;
    for (const auto& l : Only(LastFrame(), "fw_draw_rect("))
      if (l.ends_with(", 4294967295, 0)")) x = std::stoi(Args(l).at(0));
    return x;
  }
  // The id of the loaded image that holds the skin's picture `file`.
  IMAGEID ImageId(const std::string& file) {
    auto want = host::decode_image_file(ts::source_dir() / "skin" / "default" / file);
    EXPECT_TRUE(want.has_value()) << file;
    if (!want) return 0;
    for (int id = 1; id < 200; ++id) {
      const host::Image* im = phone().images().get(IMAGEID(id));
      if (im && im->width == want->width && im->height == want->height && im->rgba == want->rgba)
        return IMAGEID(id);
    }
    ADD_FAILURE() << "no loaded image holds " << file;
    return 0;
  }
  // "fw_draw_image(ptr, x, y, w, h, id)" lines of the last redraw, as (x, id) pairs, for the
  // 20-pixel button pictures.
  std::vector<std::pair<int, int>> ButtonImages() {
    std::vector<std::pair<int, int>> out;
    for (const auto& l : Only(LastFrame(), "fw_draw_image(")) {
      auto a = Args(l);
      if (a.at(3) == "20" && a.at(4) == "20") out.emplace_back(std::stoi(a[1]), std::stoi(a[5]));
    }
    return out;
  }

  // Shows the panel and lets the slide finish.
  void ShowAndSettle() {
    Press(kHotKey);
    Run(2000);
    ASSERT_TRUE(PanelShown());
  }

  void ExpectAllReleased() {
    host::ResourceCounts c = phone().counts();
    EXPECT_TRUE(c.all_zero()) << c.summary();
    EXPECT_EQ(phone().gui().live(), 0u);
    EXPECT_EQ(phone().images().live(), 0u);
    EXPECT_EQ(phone().images().bad_frees(), 0u);
    EXPECT_EQ(phone().memory().bad_frees(), 0u);
    EXPECT_EQ(phone().texts().bad_releases(), 0u);
    EXPECT_EQ(phone().loader().orphaned_callbacks(), 0u);
    // On the ELF every call of the phone's entered ARM code, as a firmware calling with `mov pc`
    // needs.
    EXPECT_EQ(phone().runtime().thumb_entries(), 0u);
  }

  // Every test ends by asking the add-on to end, and then nothing of it may be left.
  void TearDown() override {
    if (t_) TerminateAndCheck();
  }
  // Ends the add-on, checks that it released everything and drops the phone.
  void TerminateAndCheck() {
    t_->terminate();
    ExpectAllReleased();
    t_.reset();
  }

  std::unique_ptr<ts::TempDir> music_;
  std::unique_ptr<TestPhone> t_;
};

inline std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

}  // namespace panel_scenario
