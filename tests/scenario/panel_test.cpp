// Whole runs of the panel: the slide in and out, the drawing, the keys and the snapshot, watched
// through the call trace, the screen and the resource counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/arena.h"
#include "host/books.h"
#include "host/gui_manager.h"
#include "host/image_store.h"
#include "host/keys.h"
#include "host/media_player.h"
#include "host/memory.h"
#include "host/screen.h"
#include "host/service_table.h"
#include "host/text_store.h"
#include "host/timers.h"
#include "host/wstr.h"
#include "mp3_writer.h"
#include "test_phone.h"

namespace fs = std::filesystem;
namespace codes = host::codes;
using ts::TestPhone;

namespace {

constexpr int kHotKey = codes::KEY_MUSIC;
// Where the configuration block keeps the slide speed (a raw write can hold any value).
constexpr size_t kHideSpeedOffset = 7028;

// The arguments of one trace line, as written ("ptr", numbers, quoted strings).
std::vector<std::string> Args(const std::string& line) {
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

[[maybe_unused]] long Arg(const std::string& line, size_t i) { return std::stol(Args(line).at(i)); }

class PanelScenario : public ::testing::Test {
 protected:
  // Writes `tracks` MP3s of the given lengths (seconds of silence at 32 kbit/s) and a
  // configuration file with `settings` (NAME=VALUE), then starts the phone. The player is started
  // before the add-on when `player` is set.
  void Start(std::vector<std::string> settings = {}, std::vector<int> lengths = {10, 10, 10},
             bool player = true, host::Options options = {},
             std::optional<int> raw_speed = std::nullopt) {
    t_ = std::make_unique<TestPhone>(options);
    // Once fw_gui_create has taken the add-on's storage for a GUI object, the firmware owns it and
    // its teardown ends it. The phone keeps the storage alive instead, so the test ends it with
    // the object (books forget the object, as the phone's own listener does).
    host::Phone* p = &t_->phone;
    p->gui().set_free_listener([p](GUI* g) {
      p->books().detach_gui(g);
      if (p->memory().owns(g)) p->memory().free(g);
    });
    for (size_t i = 0; i < lengths.size(); ++i) {
      mp3w::Frame f;
      f.bitrate = 1;  // 32 kbit/s keeps long tracks small
      int frames = int(std::ceil(lengths[i] * 44100.0 / 1152.0));
      mp3w::Id3v2Tag tag(3);
      tag.text("TIT2", "Song " + std::to_string(i + 1)).text("TPE1", "Artist");
      mp3w::write_file(music_.path() / ("0" + std::to_string(i + 1) + ".mp3"),
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
    if (player) t_->phone.player().start(music_.path());
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
  }

  ts::TempDir music_;
  std::unique_ptr<TestPhone> t_;
};

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

// ---- The slide -----------------------------------------------------------------------------

TEST_F(PanelScenario, SlidesInAtSpeed15AndOutAgain) {
  Start();
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  std::vector<int> in = {65, 50, 35, 20, 5, -10};
  for (int o : Range(-9, -1)) in.push_back(o);
  std::vector<int> offsets = Offsets();
  ASSERT_GE(offsets.size(), in.size() + 1);
  EXPECT_EQ(std::vector<int>(offsets.begin(), offsets.begin() + long(in.size())), in);
  // The 16th step stops the timer; every later frame (the play-time ticks) stays at -1.
  for (size_t i = in.size(); i < offsets.size(); ++i) EXPECT_EQ(offsets[i], -1);
  EXPECT_EQ(Trace("fw_timer_kill(").size(), 1u);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 1u);
  size_t timer_sets = Trace("fw_timer_set(").size();
  Run(1000);
  EXPECT_EQ(Trace("fw_timer_set(").size(), timer_sets);

  ClearTrace();
  BOOK* book_before = t_->addon_book();
  Press(kHotKey);
  Run(1000);
  EXPECT_EQ(Offsets(), (std::vector<int>{14, 29, 44, 59, 74, 89, 80}));
  EXPECT_FALSE(PanelShown());
  // The GUI object and the book go only after the last frame has been drawn, in this order.
  long last_draw = std::max({FindLast("fw_draw_image("), FindLast("fw_draw_text("),
                             FindLast("fw_draw_rect(")});
  long gui_free = Find("fw_gui_free(");
  long book_free = Find("fw_book_free(");
  long create = Find("fw_create_book(");
  ASSERT_GE(gui_free, 0);
  EXPECT_LT(last_draw, gui_free);
  EXPECT_LT(gui_free, book_free);
  EXPECT_LT(book_free, create);
  EXPECT_LT(Find("fw_gc_set_flag("), gui_free) << "the redraw restores its context first";
  // A fresh book runs on; the program did not end.
  EXPECT_NE(t_->addon_book(), nullptr);
  EXPECT_NE(t_->addon_book(), book_before);
  EXPECT_EQ(phone().loader().loaded(), 1u);
  EXPECT_EQ(phone().keys().hooks(), 1u);

  // The next show starts from below the screen again.
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  ASSERT_FALSE(Offsets().empty());
  EXPECT_EQ(Offsets().front(), 65);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, SpeedOneEndsAtMinusOneStraightFromZero) {
  Start({"HIDE_SPEED=1"});
  ClearTrace();
  Press(kHotKey);
  Run(8000);
  std::vector<int> expected;
  for (int o = 79; o >= -1; --o) expected.push_back(o);
  std::vector<int> offsets = Offsets();
  ASSERT_GE(offsets.size(), expected.size());
  EXPECT_EQ(std::vector<int>(offsets.begin(), offsets.begin() + long(expected.size())), expected);
  for (int o : offsets) EXPECT_GE(o, -1);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, SpeedOutsideItsRangeIsHeldToIt) {
  // 0 would never move the panel; 1000 would jump past the screen: both end their slides.
  for (int speed : {0, 1000}) {
    SCOPED_TRACE(speed);
    Start({}, {10}, true, {}, speed);
    ClearTrace();
    Press(kHotKey);
    Run(speed == 1000 ? 2000 : 8000);
    std::vector<int> offsets = Offsets();
    ASSERT_FALSE(offsets.empty());
    EXPECT_EQ(offsets.front(), speed == 1000 ? 65 : 79);
    EXPECT_EQ(offsets.back(), -1);
    EXPECT_EQ(Trace("fw_timer_kill(").size(), 1u);
    ClearTrace();
    Press(kHotKey);
    Run(speed == 1000 ? 1000 : 8000);
    EXPECT_FALSE(PanelShown());
    EXPECT_EQ(Offsets().back(), 80);
    t_->terminate();
    ExpectAllReleased();
    t_.reset();
  }
}

TEST_F(PanelScenario, HotKeyDuringASlideTurnsItBack) {
  Start();
  ClearTrace();
  Press(kHotKey);
  std::vector<int> before = Offsets();
  ASSERT_GE(before.size(), 2u);
  ASSERT_GT(before.back(), 0);
  Press(kHotKey);
  Run(1500);
  std::vector<int> all = Offsets();
  // From where it was, the offset rises again by 15 a step until the panel has left the screen.
  int at = before.back();
  std::vector<int> rest(all.begin() + long(before.size()), all.end());
  ASSERT_FALSE(rest.empty());
  std::vector<int> expected;
  for (int o = at + 15; o <= 80 + 15 && o - 15 <= 80; o += 15) expected.push_back(o);
  expected.push_back(80);
  EXPECT_EQ(rest, expected);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 1u);
  EXPECT_FALSE(PanelShown());

  // A hide turned back into a show: the panel is created no second time, and the book stays.
  ShowAndSettle();
  ClearTrace();
  BOOK* book = t_->addon_book();
  Press(kHotKey);
  ASSERT_GT(Offsets().back(), 0);
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 0u);
  EXPECT_EQ(Trace("fw_book_free(").size(), 0u);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(Offsets().back(), -1);
  EXPECT_EQ(t_->addon_book(), book);
  // The hide that was turned back recycles nothing: a request to end ends the program.
  t_->terminate();
  EXPECT_EQ(t_->addon_book(), nullptr);
  ExpectAllReleased();
}

}  // namespace
