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
  }

  std::unique_ptr<ts::TempDir> music_;
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


// ---- Drawing --------------------------------------------------------------------------------

TEST_F(PanelScenario, TitleIsDrawnWithFourOutlinePassesAndThenItsText) {
  Start();
  ShowAndSettle();
  ClearTrace();
  Run(1000);  // one play-time tick: one frame at rest
  std::vector<std::string> frame = LastFrame();
  auto texts = Only(frame, "fw_draw_text(");
  ASSERT_GE(texts.size(), 5u);
  auto box = [](const std::string& l) {
    auto a = Args(l);
    return a.at(1) + " " + a.at(2) + " " + a.at(3) + " " + a.at(4) + " " + a.at(5) + " " + a.at(6) +
           " " + a.at(7) + " " + a.at(8) + " " + a.at(9);
  };
  // Alignment, box, the constants 60 and 5, the colour and 0; the outline in opaque black.
  EXPECT_EQ(box(texts[0]), "0 0 238 239 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[1]), "0 0 240 239 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[2]), "0 2 238 241 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[3]), "0 2 240 241 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[4]), "0 1 239 240 339 60 5 4294967295 0");
  // All five passes draw the title's text, in its font (25), after the panel font was set.
  for (int i = 1; i < 5; ++i) EXPECT_EQ(Args(texts[i]).at(0), Args(texts[0]).at(0));
  auto fonts = Only(frame, "fw_set_font(");
  ASSERT_GE(fonts.size(), 2u);
  EXPECT_EQ(fonts[0], "fw_set_font(" + std::to_string(codes::FONT_E_20R) + ")");
  EXPECT_EQ(fonts[1], "fw_set_font(25)");
  EXPECT_EQ(phone().texts().get(TEXTID(std::stoul(Args(texts[0])[0])))->size(), 6u);  // "Song 1"
  // Enabled labels: title, artist, album, bitrate, frequency, channels, elapsed, length, track
  // number: five passes each. The track number ("1/3") lives for this frame only.
  EXPECT_EQ(texts.size(), 9u * 5u);
  TEXTID track_number = TEXTID(std::stoul(Args(texts.back())[0]));
  EXPECT_EQ(phone().texts().get(track_number), nullptr);
  // The context and the font are given back as they were.
  EXPECT_EQ(Only(frame, "fw_set_font(").back(), "fw_set_font(" + std::to_string(codes::FONT_E_20R) + ")");
  EXPECT_EQ(Only(frame, "fw_gc_set_flag(").size(), 2u);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, ProgressBarEndsWhereThePlayTimeSays) {
  const std::string bar = "IS_PROGBAR_EN=1";
  const std::string rect = "rcBAR=10,110,230,240";
  // The elapsed part is drawn in colour 2 (opaque black) from x1 to its end.
  auto ends = [this] {
    std::vector<int> out;
    for (const auto& l : Trace("fw_draw_rect(10, "))
      if (l.ends_with(", 4278190080, 4278190080)")) out.push_back(std::stoi(Args(l).at(2)));
    return out;
  };
  {
    Start({bar, rect}, {120});
    ShowAndSettle();
    // The whole bar first, in colour 1.
    EXPECT_EQ(Only(LastFrame(), "fw_draw_rect(10, ").at(0),
              "fw_draw_rect(10, 229, 110, 239, 4294967295, 4294967295)");
    Run(30500 - phone().queue().now());
    ASSERT_FALSE(ends().empty());
    EXPECT_EQ(ends().back(), 35);  // 30 of 120 seconds
    t_->terminate();
    ExpectAllReleased();
  }
  {
    Start({bar, rect}, {3});
    Press(kHotKey);
    Run(1500 - phone().queue().now());
    ASSERT_FALSE(ends().empty());
    EXPECT_EQ(ends().back(), 43);  // 1 of 3 seconds: 43.33 cut to 43
    for (int e : ends()) EXPECT_LE(e, 110);
    t_->terminate();
    ExpectAllReleased();
  }
}

TEST_F(PanelScenario, ButtonsFollowTheCountAndTheSelection) {
  Start({"FUNCTION_KEY_COUNT=3"});
  ShowAndSettle();
  const int key1 = ImageId("Key1.png"), key3 = ImageId("Key3.png"), key2_s = ImageId("Key2_S.png");
  Press(codes::KEY_RIGHT);
  // Buttons 1 and 3 plain, then the frame of button 2 and its selected picture; 4 and 5 absent.
  EXPECT_EQ(ButtonImages(), (std::vector<std::pair<int, int>>{{138, key1}, {178, key3}, {158, key2_s}}));
  auto rects = Only(LastFrame(), "fw_draw_rect(");
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects.back(), "fw_draw_rect(158, 299, 178, 319, 4294967295, 0)");
  t_->terminate();
  ExpectAllReleased();

  // No buttons counted: only the selected one is drawn.
  Start({"FUNCTION_KEY_COUNT=0"});
  ShowAndSettle();
  EXPECT_EQ(ButtonImages(), (std::vector<std::pair<int, int>>{{138, ImageId("Key1_S.png")}}));
  Press(codes::KEY_LEFT);  // 1 - 1 = 0 is below 1: it becomes the count, 0, and nothing is selected
  EXPECT_TRUE(ButtonImages().empty());
  EXPECT_EQ(SelectedX(), -1);
  Press(codes::KEY_RIGHT);  // 0 + 1 is above the count: back to 1
  EXPECT_EQ(SelectedX(), 138);
  t_->terminate();
  ExpectAllReleased();

  // Buttons off: none and no frame, whatever is selected.
  Start({"FUNCTION_KEY_ENABLED=0"});
  ShowAndSettle();
  EXPECT_TRUE(ButtonImages().empty());
  EXPECT_EQ(SelectedX(), -1);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, ButtonThreeShowsPlayOrPause) {
  Start({"FUNCTION_KEY3=2"});
  ShowAndSettle();
  const int key3 = ImageId("Key3.png"), key3_1 = ImageId("Key3_1.png");
  const int key3_s = ImageId("Key3_S.png"), key3_1_s = ImageId("Key3_1_S.png");
  auto at = [this](int x) {
    for (auto [bx, id] : ButtonImages())
      if (bx == x) return id;
    return -1;
  };
  EXPECT_EQ(at(178), key3);  // playing
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_RIGHT);
  EXPECT_EQ(at(178), key3_s);
  Press(codes::KEY_ENTER);  // button 3 runs play and pause
  EXPECT_FALSE(phone().player().playing());
  EXPECT_EQ(at(178), key3_1_s);
  Press(codes::KEY_RIGHT);
  EXPECT_EQ(at(178), key3_1);
  t_->terminate();
  ExpectAllReleased();
}

// ---- The snapshot ---------------------------------------------------------------------------

std::vector<uint8_t> g_snapshot;
void* g_from_buffer = nullptr;
int KeepSnapshot(void* buf, int size, int reserved, const char16_t* type, IMAGEID* id) {
  g_snapshot.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + size);
  return reinterpret_cast<int (*)(void*, int, int, const char16_t*, IMAGEID*)>(g_from_buffer)(
      buf, size, reserved, type, id);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST_F(PanelScenario, SnapshotConvertsThePixelsOfEitherFamily) {
  for (uint32_t id : {0x9900u, 0x8000u}) {
    SCOPED_TRACE(id);
    host::Options o;
    o.platform_id = id;
    Start({}, {10}, true, o);
    g_snapshot.clear();
    g_from_buffer = phone().services().replace(0x302, reinterpret_cast<void*>(&KeepSnapshot));
    host::Screen& screen = phone().screen();
    const int w = screen.width(), h = screen.height();
    // The top-left pixel holds the bytes 1F 00, a pixel of the bottom row is white.
    uint8_t* px = phone().arena().at(screen.pixel_addr(), uint32_t(w * h * 2));
    px[0] = 0x1F;
    px[1] = 0x00;
    px[(h - 1) * w * 2 + 2] = 0xFF;
    px[(h - 1) * w * 2 + 3] = 0xFF;
    Press(kHotKey);
    ASSERT_EQ(g_snapshot.size(), 230454u);
    EXPECT_EQ(g_snapshot[0], 'B');
    EXPECT_EQ(g_snapshot[1], 'M');
    EXPECT_EQ(Le32(g_snapshot, 2), 230454u);
    EXPECT_EQ(Le32(g_snapshot, 10), 54u);
    EXPECT_EQ(Le32(g_snapshot, 18), 240u);
    EXPECT_EQ(Le32(g_snapshot, 22), 320u);
    EXPECT_EQ(Le32(g_snapshot, 34), 230400u);
    // The bottom row comes first.
    EXPECT_EQ(std::vector<uint8_t>(g_snapshot.begin() + 57, g_snapshot.begin() + 60),
              (std::vector<uint8_t>{0xF8, 0xFC, 0xF8}));
    const size_t top = 54 + size_t(h - 1) * size_t(w) * 3;
    std::vector<uint8_t> blue(g_snapshot.begin() + long(top), g_snapshot.begin() + long(top) + 3);
    if (id == 0x9900u)
      EXPECT_EQ(blue, (std::vector<uint8_t>{0xF8, 0x00, 0x00}));
    else
      EXPECT_EQ(blue, (std::vector<uint8_t>{0x00, 0xE0, 0x18}));
    // The snapshot is drawn unmoved, under everything else.
    Run(2000);
    auto images = Only(LastFrame(), "fw_draw_image(");
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(images[0].substr(0, 29), "fw_draw_image(ptr, 0, 0, 0, 0");
    t_->terminate();
    ExpectAllReleased();
  }
}

TEST_F(PanelScenario, SnapshotRowsArePaddedForAnyWidth) {
  host::Options o;
  o.screen_w = 238;
  o.screen_h = 100;
  Start({"rcFON=0,238,60,100"}, {10}, true, o);
  g_snapshot.clear();
  g_from_buffer = phone().services().replace(0x302, reinterpret_cast<void*>(&KeepSnapshot));
  Press(kHotKey);
  const uint32_t row = 716;  // 238 * 3 = 714, padded to 716
  ASSERT_EQ(g_snapshot.size(), 54u + row * 100u);
  EXPECT_EQ(Le32(g_snapshot, 2), 54u + row * 100u);
  EXPECT_EQ(Le32(g_snapshot, 34), row * 100u);
  EXPECT_EQ(g_snapshot[54 + 714], 0);
  EXPECT_EQ(g_snapshot[54 + 715], 0);
  // The phone takes it as a picture of the screen's size.
  Run(2000);
  auto images = Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ");
  ASSERT_EQ(images.size(), 1u);
  const host::Image* im = phone().images().get(IMAGEID(std::stoi(Args(images[0]).at(5))));
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(im->width, 238);
  EXPECT_EQ(im->height, 100);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, NoSnapshotWithoutAWayToThePixels) {
  // Family 7 has no screen reference; a family-9 chain that leads nowhere gives none either.
  host::Options o;
  o.platform_id = 0x7100;
  Start({}, {10}, true, o);
  size_t images = phone().images().live();
  Press(kHotKey);
  Run(2000);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(phone().images().live(), images);
  EXPECT_TRUE(Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ").empty());
  t_->terminate();
  ExpectAllReleased();

  Start();
  // Every layer record points to the next one in a ring and none is the screen's.
  host::Arena& a = phone().arena();
  FwAddr first = a.read32(phone().screen().ref_family9());
  FwAddr rec = first;
  for (int i = 0; i < 8 && rec; ++i) {
    a.write32(rec + 28, 0);
    a.write32(rec + 72, 0);
    FwAddr next = a.read32(rec + 32);
    if (next == 0) a.write32(rec + 32, first);
    rec = next;
  }
  images = phone().images().live();
  Press(kHotKey);
  Run(2000);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(phone().images().live(), images);
  t_->terminate();
  ExpectAllReleased();

  // The screen's layer names no pixel memory, or memory beyond the end of firmware memory.
  for (uint32_t pixels : {0u, 0xFFFFFF00u}) {
    SCOPED_TRACE(pixels);
    Start();
    host::Arena& arena = phone().arena();
    FwAddr layer = arena.read32(phone().screen().ref_family9());
    while (layer && arena.read32(layer + 28) != 1 && arena.read32(layer + 72) == 0)
      layer = arena.read32(layer + 32);
    ASSERT_NE(layer, 0u);
    arena.write32(layer + 16, pixels);
    ClearTrace();
    Press(kHotKey);
    Run(2000);
    EXPECT_TRUE(PanelShown());
    EXPECT_EQ(Trace("fw_image_from_buffer(").size(), 0u);
    Press(kHotKey);
    Run(1000);
    EXPECT_FALSE(PanelShown());
    // Nothing was made, so nothing is released.
    EXPECT_EQ(Trace("fw_image_free(").size(), 0u);
    t_->terminate();
    ExpectAllReleased();
  }
}

TEST_F(PanelScenario, WithoutTheFrozenBackdropNoSnapshotIsTakenDrawnOrReleased) {
  Start({"FON_FROM_BUFFER_ENABLED=0"});
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_disp_set_backdrop(").size(), 1u);
  EXPECT_EQ(Trace("fw_image_from_buffer(").size(), 0u);
  EXPECT_TRUE(Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ").empty());
  Press(kHotKey);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Trace("fw_image_free(").size(), 0u);
  t_->terminate();
  ExpectAllReleased();

  // With it on, the backdrop call is not made and the snapshot is released with the panel.
  Start();
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_disp_set_backdrop(").size(), 0u);
  ASSERT_EQ(Trace("fw_image_from_buffer(").size(), 1u);
  Press(kHotKey);
  Run(1000);
  EXPECT_EQ(Trace("fw_image_free(").size(), 1u);
  t_->terminate();
  ExpectAllReleased();
}

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(PanelScenario, SelectionWrapsBothWaysAndOnlyShortPressesAct) {
  Start();
  ShowAndSettle();
  EXPECT_EQ(SelectedX(), 138);
  Press(codes::KEY_LEFT);  // from button 1 to button 5
  EXPECT_EQ(SelectedX(), 218);
  Press(codes::KEY_RIGHT);  // from button 5 to button 1
  EXPECT_EQ(SelectedX(), 138);
  // A long press changes nothing but is redrawn three times (down, long, up).
  uint64_t redraws = phone().gui().redraws();
  phone().keys().press(codes::KEY_RIGHT, true);
  phone().queue().settle();
  EXPECT_EQ(SelectedX(), 138);
  EXPECT_EQ(phone().gui().redraws(), redraws + 3);
  // Volume keys reach the player.
  int volume = phone().player().now_playing().volume;
  Press(codes::KEY_UP);
  EXPECT_EQ(phone().player().now_playing().volume, volume + 1);
  Press(codes::KEY_DOWN);
  EXPECT_EQ(phone().player().now_playing().volume, volume);
  // Button 1 runs "next track".
  Press(codes::KEY_ENTER);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 1);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, WithButtonsOffEnterPlaysAndPausesAndArrowsStepTracks) {
  Start({"FUNCTION_KEY_ENABLED=0"});
  ShowAndSettle();
  Press(codes::KEY_ENTER);
  EXPECT_FALSE(phone().player().playing());
  Press(codes::KEY_ENTER);
  EXPECT_TRUE(phone().player().playing());
  EXPECT_EQ(Trace("fw_player_play_pause(0)").size(), 2u);
  Press(codes::KEY_RIGHT);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 1);
  Press(codes::KEY_LEFT);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 0);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, EscapeHidesThePanelAndRecyclesTheBook) {
  Start();
  ShowAndSettle();
  BOOK* book = t_->addon_book();
  ClearTrace();
  Press(codes::KEY_ESC);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Offsets().back(), 80);
  EXPECT_NE(t_->addon_book(), nullptr);
  EXPECT_NE(t_->addon_book(), book);
  EXPECT_EQ(phone().loader().loaded(), 1u);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, HotKeyWithoutThePlayerShowsNothing) {
  Start({}, {10}, false);
  Press(kHotKey);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Trace("fw_gui_create(").size(), 0u);
  EXPECT_EQ(Trace("fw_run_in_ui_task(").size(), 0u);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, RefusedCreationStartsNoSlideAndTheNextHotKeyTriesAgain) {
  Start();
  void* create = phone().services().replace(
      0x1F0, reinterpret_cast<void*>(+[](GUI*, DispDescProc, DispDescProc, BOOK*, int, int, int)
                                          -> GUI* { return nullptr; }));
  size_t images = phone().images().live();
  size_t allocations = phone().memory().live_blocks();
  Press(kHotKey);
  Run(500);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Trace("fw_run_in_ui_task(").size(), 0u);
  EXPECT_EQ(Trace("fw_timer_set(").size(), 0u);
  // Neither the storage nor the snapshot of the refused creation stays.
  EXPECT_EQ(phone().images().live(), images);
  EXPECT_EQ(phone().memory().live_blocks(), allocations);
  phone().services().replace(0x1F0, create);
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(Offsets().back(), -1);
  t_->terminate();
  ExpectAllReleased();
}

TEST_F(PanelScenario, BringingThePlayerForwardNeedsAPlayer) {
  Start({"FUNCTION_KEY1=3", "FUNCTION_KEY2=2"});
  ShowAndSettle();
  Press(codes::KEY_ENTER);
  EXPECT_EQ(Trace("fw_book_bring_to_front(").size(), 1u);
  EXPECT_EQ(phone().books().front(), phone().player().book());
  EXPECT_TRUE(PanelShown());
  // Pause from the panel, so that the player's closing leaves the panel up.
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_ENTER);
  phone().player().close();
  Run(500);
  ASSERT_TRUE(PanelShown());
  Press(codes::KEY_LEFT);
  Press(codes::KEY_ENTER);
  EXPECT_EQ(Trace("fw_book_bring_to_front(").size(), 1u);
  t_->terminate();
  ExpectAllReleased();
}

// ---- The player closing ----------------------------------------------------------------------

TEST_F(PanelScenario, PlayerClosingHidesThePanelUnlessItWasPausedFromThePanel) {
  Start();
  ShowAndSettle();
  phone().player().close();
  Run(1500);
  EXPECT_FALSE(PanelShown());
  EXPECT_NE(t_->addon_book(), nullptr);
  t_->terminate();
  ExpectAllReleased();

  Start({"IS_PROGBAR_EN=1", "rcBAR=10,110,230,240", "FUNCTION_KEY3=2"});
  ShowAndSettle();
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_ENTER);  // pause
  phone().player().close();
  Run(1500);
  EXPECT_TRUE(PanelShown());
  // With no player the bar has no elapsed part.
  ClearTrace();
  Press(codes::KEY_RIGHT);
  auto rects = Only(LastFrame(), "fw_draw_rect(10, ");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0], "fw_draw_rect(10, 229, 110, 239, 4294967295, 4294967295)");
  // The hot key still hides the panel without a player.
  Press(kHotKey);
  Run(1500);
  EXPECT_FALSE(PanelShown());
  // The next closed notice of a fresh player hides as usual again (nothing to hide here).
  t_->terminate();
  ExpectAllReleased();
}

// ---- Leaving from every state ----------------------------------------------------------------

TEST_F(PanelScenario, FullExitFromEveryStateReleasesEverything) {
  enum State { Hidden, SlidingIn, Shown, SlidingOut };
  for (State st : {Hidden, SlidingIn, Shown, SlidingOut}) {
    for (bool system_exit : {false, true}) {
      SCOPED_TRACE(std::to_string(int(st)) + (system_exit ? " system exit" : " terminate"));
      Start();
      if (st != Hidden) Press(kHotKey);
      if (st == Shown || st == SlidingOut) Run(2000);
      if (st == SlidingOut) Press(kHotKey);
      if (system_exit)
        t_->system_exit();
      else
        t_->terminate();
      Run(1000);
      EXPECT_EQ(t_->addon_book(), nullptr);
      EXPECT_EQ(phone().loader().unloaded(), 1u);
      ExpectAllReleased();
      t_.reset();
    }
  }
}

}  // namespace
