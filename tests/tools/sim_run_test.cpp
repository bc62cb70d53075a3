// Scripted runs of the simulator's runner, in-process: every command on a real phone with the
// loaded add-on, the platform with the other book layout, a configuration changed mid-run, the
// summary's counts and the checks of the options' paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "core/wstr.h"
#include "core/loader.h"
#include "player/media_player.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"
#include "screen/messages.h"
#include "screen/screen.h"
#include "sim/session.h"
#include "sim/status.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

class SimRun : public ::testing::Test {
 protected:
  sim::SimOptions options() {
    sim::SimOptions o;
    o.music = sim::default_music();
    o.skin = sim::default_skin();
    o.out = tmp_.path() / "out";
    o.phone = tmp_.path() / "phone";
    return o;
  }
  std::unique_ptr<sim::Session> session(const sim::SimOptions& o) {
    auto s = std::make_unique<sim::Session>(o, true, log_);
    s->phone().trace().capture(true);
    return s;
  }
  static bool run(sim::Session& s, const std::string& script) {
    return s.run(sim::parse_script(script));
  }
  static std::vector<std::string> trace_from(sim::Session& s, size_t from, std::string_view prefix) {
    std::vector<std::string> out;
    const auto& lines = s.phone().trace().lines();
    for (size_t i = from; i < lines.size(); ++i)
      if (lines[i].compare(0, prefix.size(), prefix) == 0) out.push_back(lines[i]);
    return out;
  }
  // The text draws made in the title's font (25) since trace line `from`.
  static size_t title_draws(sim::Session& s, size_t from) {
    size_t n = 0;
    bool title_font = false;
    const auto& lines = s.phone().trace().lines();
    for (size_t i = from; i < lines.size(); ++i) {
      if (lines[i].rfind("fw_set_font(", 0) == 0) title_font = lines[i] == "fw_set_font(25)";
      else if (title_font && lines[i].rfind("fw_draw_text(", 0) == 0) ++n;
    }
    return n;
  }

  ts::TempDir tmp_;
  std::ostringstream log_;
};

constexpr const char* kShowPanel =
    "player start\n"
    "addon start\n"
    "wait 300\n"
    "key hot\n"
    "wait 1600\n";

TEST_F(SimRun, EveryCommandReachesThePhone) {
  sim::SimOptions o = options();
  o.gif = tmp_.path() / "run.gif";
  auto s = session(o);
  host::Phone& ph = s->phone();
  ASSERT_TRUE(run(*s, kShowPanel));
  EXPECT_TRUE(ph.player().playing());
  EXPECT_EQ(ph.gui().live(), 1u);  // the panel
  EXPECT_EQ(trace_from(*s, 0, "fw_create_book(ptr, ptr, ptr, \"TuneStrip\", -1, 0)").size(), 1u);

  ASSERT_TRUE(run(*s, "shot panel.png\nshot sub/again.png\n"));
  EXPECT_TRUE(fs::is_regular_file(o.out / "panel.png"));
  EXPECT_TRUE(fs::is_regular_file(o.out / "sub" / "again.png"));

  ASSERT_TRUE(run(*s, "player pause\n"));
  EXPECT_FALSE(ph.player().playing());
  ASSERT_TRUE(run(*s, "player play\nplayer seek 2\n"));
  EXPECT_TRUE(ph.player().playing());
  EXPECT_EQ(ph.player().position_ms(), 2000);
  const int index = ph.player().now_playing().index;
  ASSERT_TRUE(run(*s, "player next\n"));
  EXPECT_EQ(ph.player().now_playing().index, index + 1);
  ASSERT_TRUE(run(*s, "player prev\n"));
  EXPECT_EQ(ph.player().now_playing().index, index);

  // The panel's keys: down lowers the volume, a long press and single modes act on nothing.
  const int volume = ph.player().now_playing().volume;
  ASSERT_TRUE(run(*s, "key down\nkey up long\nkey 5 down\nkey 5 up\n"));
  EXPECT_EQ(ph.player().now_playing().volume, volume - 1);

  ASSERT_TRUE(run(*s, "addon about\naddon edit-config\necho half way\n"));
  EXPECT_EQ(ph.messages().shown().size(), 1u);
  EXPECT_EQ(ph.messages().launches().size(), 1u);
  EXPECT_NE(log_.str().find("half way\n"), std::string::npos);

  // The hot key hides the panel; the add-on ends; the player closes.
  ASSERT_TRUE(run(*s, "key hot\nwait 1200\naddon terminate\nwait 100\nplayer close\n"));
  EXPECT_FALSE(ph.player().running());
  const int64_t now = ph.queue().now();
  EXPECT_FALSE(run(*s, "quit\nwait 5000\n"));
  EXPECT_EQ(ph.queue().now(), now);  // nothing after quit runs

  s->finish();
  EXPECT_EQ(ts::read_file(o.gif).substr(0, 6), "GIF89a");
  const sim::Summary sum = s->summary();
  EXPECT_EQ(sum.virtual_ms, now);
  EXPECT_GT(sum.redraws, 10u);
  EXPECT_EQ(sum.messages.size(), 1u);
  ASSERT_EQ(sum.launches.size(), 1u);
  EXPECT_NE(sum.launches[0].find("/BcfgEdit.elf \"/"), std::string::npos) << sum.launches[0];
  EXPECT_NE(sum.launches[0].find("\"TuneStrip.bcfg\""), std::string::npos) << sum.launches[0];
  EXPECT_FALSE(sum.addon_running);
  EXPECT_TRUE(sum.counts.all_zero()) << sum.counts.summary();
  EXPECT_EQ(sum.pictures.size(), 3u);  // two shots and the GIF
}

// `key NAME down|up` deliver one press mode: the default hot key acts on its down mode alone.
TEST_F(SimRun, SinglePressModes) {
  auto s = session(options());
  ASSERT_TRUE(run(*s, "player start\naddon start\nwait 200\n"));
  const size_t mark = s->phone().trace().lines().size();
  ASSERT_TRUE(run(*s, "key hot up\nwait 1500\n"));
  EXPECT_EQ(s->phone().gui().live(), 0u);
  ASSERT_TRUE(run(*s, "key hot down\nwait 1500\n"));
  EXPECT_EQ(s->phone().gui().live(), 1u);
  EXPECT_EQ(trace_from(*s, mark, "fw_gui_create(").size(), 1u);
  // A hot key press hides the panel again: the down mode acts, the others pass.
  ASSERT_TRUE(run(*s, "key hot long\nwait 1500\n"));
  EXPECT_EQ(s->phone().gui().live(), 0u);
}

TEST_F(SimRun, SummaryCountsTheRunningAddOn) {
  auto s = session(options());
  ASSERT_TRUE(run(*s, kShowPanel));
  sim::Summary sum = s->summary();
  EXPECT_TRUE(sum.addon_running);
  EXPECT_EQ(sum.counts.books, 1u);
  EXPECT_EQ(sum.counts.gui_objects, 1u);
  EXPECT_EQ(sum.counts.key_hooks, 1u);
  EXPECT_EQ(sum.counts.modules, 1u);
  EXPECT_GT(sum.counts.allocations, 0u);
  const std::string text = sim::format_summary(sum);
  EXPECT_NE(text.find("Ran 1.9 s of virtual time"), std::string::npos) << text;
  EXPECT_NE(text.find("Resources (the add-on still runs): allocations "), std::string::npos);
  EXPECT_NE(text.find("Messages shown: 0"), std::string::npos);
  EXPECT_GE(sum.peak_heap, sum.counts.bytes);
  EXPECT_NE(text.find("Peak heap: " + std::to_string(sum.peak_heap) + " bytes"), std::string::npos);

  ASSERT_TRUE(run(*s, "addon start\naddon terminate\nwait 100\n"));
  sum = s->summary();
  EXPECT_FALSE(sum.addon_running);
  // The second copy refused to run beside the first, with its message.
  EXPECT_EQ(sum.messages.size(), 1u);
  EXPECT_GT(sum.peak_heap, 0u);  // what the add-on held is still known once it is all released
  EXPECT_NE(sim::format_summary(sum).find("Resources after the add-on's exit: allocations 0, bytes 0"),
            std::string::npos)
      << sim::format_summary(sum);
}

// The other book layout (0x7100, 0x8000) reads the same track; family 8 (0x8000) stores its
// pixels high byte first and still gives the same frozen backdrop, so the same picture.
TEST_F(SimRun, OtherPlatformsShowTheSameTrack) {
  std::vector<uint8_t> pictures[3];
  const uint32_t ids[3] = {0x9900, 0x7100, 0x8000};
  for (int i = 0; i < 3; ++i) {
    sim::SimOptions o = options();
    o.platform_id = ids[i];
    o.phone = tmp_.path() / ("phone" + std::to_string(i));
    auto s = session(o);
    ASSERT_TRUE(run(*s, kShowPanel));
    EXPECT_EQ(s->phone().screen().family(), int(ids[i] >> 12));
    // The track's place in the list came from the player's book.
    EXPECT_FALSE(trace_from(*s, 0, "fw_text_from_wstr(\"1/6\"").empty()) << std::hex << ids[i];
    EXPECT_FALSE(trace_from(*s, 0, "fw_text_from_wstr(\"Dawn Chorus\"").empty()) << std::hex << ids[i];
    pictures[i] = s->phone().screen().rgba();
  }
  EXPECT_TRUE(pictures[0] == pictures[2]);
  // Family 7 takes no snapshot: the panel stands on black.
  EXPECT_FALSE(pictures[0] == pictures[1]);
}

TEST_F(SimRun, ConfigChangedMidRun) {
  auto s = session(options());
  ASSERT_TRUE(run(*s, kShowPanel));
  size_t mark = s->phone().trace().lines().size();
  ASSERT_TRUE(run(*s, "wait 1000\n"));
  EXPECT_GT(title_draws(*s, mark), 0u);

  ASSERT_TRUE(run(*s, "config IS_TITLE_EN=0 HIDE_SPEED=3\n"));
  const fs::path file = s->config().file();
  EXPECT_EQ(file.parent_path(), s->phone().files().dir_path(0x14));
  EXPECT_EQ(bcfg::get_value(file, "IS_TITLE_EN"), "0");
  EXPECT_EQ(bcfg::get_value(file, "HIDE_SPEED"), "3");
  mark = s->phone().trace().lines().size();
  ASSERT_TRUE(run(*s, "wait 1000\n"));
  EXPECT_GT(trace_from(*s, mark, "fw_draw_text(").size(), 0u);  // the other labels still draw
  EXPECT_EQ(title_draws(*s, mark), 0u);

  ASSERT_TRUE(run(*s, "config IS_TITLE_EN=1\nwait 1000\n"));
  EXPECT_GT(title_draws(*s, mark), 0u);
}

// A configuration given at the start is the one the add-on reads; `config` before the add-on
// has written any file makes one from the built-in block.
TEST_F(SimRun, StartingConfigurationAndConfigBeforeAnyFile) {
  const fs::path given = tmp_.path() / "mine.bcfg";
  bcfg::write_default(given);
  bcfg::set_values(given, {"IS_TITLE_EN=0"});
  sim::SimOptions o = options();
  o.config = given;
  {
    auto s = session(o);
    ASSERT_TRUE(run(*s, kShowPanel));
    EXPECT_EQ(title_draws(*s, 0), 0u);
  }
  fs::remove_all(o.phone);
  {
    o = options();
    o.skin = tmp_.path() / "skin";  // a skin without a configuration of its own
    fs::create_directories(o.skin);
    fs::copy(sim::default_skin(), o.skin);
    fs::remove(o.skin / "TuneStrip.bcfg");
    auto s = session(o);
    ASSERT_TRUE(run(*s, "config HIDE_SPEED=7\n"));
    EXPECT_EQ(bcfg::get_value(s->config().file(), "HIDE_SPEED"), "7");
    EXPECT_EQ(bcfg::get_value(s->config().file(), "IS_TITLE_EN"), "1");
  }
}

// The skin author's loop: edits to the configuration file and the images reach the running
// phone through `reload`; a broken configuration file leaves the last good one in use.
TEST_F(SimRun, ReloadTakesInTheSkinsEdits) {
  sim::SimOptions o = options();
  o.skin = tmp_.path() / "skin";
  fs::create_directories(o.skin);
  fs::copy(sim::default_skin(), o.skin);
  const fs::path config = o.skin / "TuneStrip.bcfg";
  auto s = session(o);
  EXPECT_EQ(s->skin().config_choice().file, config);
  ASSERT_TRUE(run(*s, kShowPanel));
  EXPECT_EQ(bcfg::get_value(s->config().file(), "FUNCTION_KEY3"), "2");  // the skin's own block
  EXPECT_EQ(s->skin().reload(), "nothing changed");
  // The default skin's long tags run under its cover.
  EXPECT_EQ(s->skin().findings().summary().rfind(
                "skin check: 3 warnings: X_ARTIST_POS: warning: the ARTIST label", 0),
            0u);

  // A configuration edit: the same add-on redraws the panel without its title.
  bcfg::set_values(config, {"IS_TITLE_EN=0"});
  size_t mark = s->phone().trace().lines().size();
  ASSERT_TRUE(run(*s, "reload\nwait 1000\n"));
  EXPECT_EQ(bcfg::get_value(s->config().file(), "IS_TITLE_EN"), "0");
  EXPECT_TRUE(trace_from(*s, mark, "fw_create_book(").empty());
  EXPECT_GT(trace_from(*s, mark, "fw_draw_text(").size(), 0u);
  EXPECT_EQ(title_draws(*s, mark), 0u);

  // A file cut short or gone: the phone keeps the last good block.
  const std::string good = ts::read_file(config);
  ts::write_file(config, good.substr(0, 100));
  EXPECT_NE(s->skin().reload().find("100 bytes, not the 7124"), std::string::npos);
  fs::remove(config);
  EXPECT_NE(s->skin().reload().find("the last good configuration stays in use"), std::string::npos);
  EXPECT_EQ(ts::read_file(s->config().file()), good);
  ts::write_file(config, good);

  // An image edit restarts the add-on, which shows its panel again with the new background.
  const std::vector<uint8_t> before = s->phone().screen().rgba();
  fs::copy_file(o.skin / "Key1_S.png", o.skin / "Fon.png", fs::copy_options::overwrite_existing);
  mark = s->phone().trace().lines().size();
  // The skin checker runs again and tells its new finding once.
  EXPECT_NE(s->skin().reload().find(
                "images changed (Fon.png); the add-on restarted; skin check: 3 warnings: "
                "Fon.png: warning: 20x20 pixels, drawn scaled into rcFON's 240x80 box"),
            std::string::npos);
  EXPECT_NE(log_.str().find("tunestrip-sim: Fon.png: warning: 20x20 pixels"), std::string::npos);
  ASSERT_TRUE(run(*s, "wait 1600\n"));
  EXPECT_EQ(trace_from(*s, mark, "fw_create_book(").size(), 1u);
  EXPECT_EQ(s->phone().gui().live(), 1u);
  EXPECT_EQ(s->phone().loader().loaded(), 1u);
  EXPECT_TRUE(s->phone().screen().rgba() != before);
  ASSERT_TRUE(run(*s, "addon terminate\nwait 100\n"));
  EXPECT_TRUE(s->summary().counts.all_zero()) << s->summary().counts.summary();
}

// The window's status line: a long reload message laid into its rows at the window's width is
// there whole, and while the panel is shown over a frozen backdrop the line says so.
TEST_F(SimRun, StatusLineHoldsAWholeMessageAndNamesTheFrozenBackdrop) {
  sim::SimOptions o = options();
  o.skin = tmp_.path() / "skin";
  fs::copy(sim::default_skin(), o.skin);
  const fs::path config = o.skin / "TuneStrip.bcfg";
  bcfg::set_values(config, {"FON_FROM_BUFFER_ENABLED=1"});
  auto s = session(o);
  EXPECT_EQ(sim::backdrop_status(*s), "");  // no panel yet
  ASSERT_TRUE(run(*s, kShowPanel));
  EXPECT_NE(sim::backdrop_status(*s).find("FON_FROM_BUFFER_ENABLED is on"), std::string::npos);

  const std::string good = ts::read_file(config);
  ts::write_file(config, good.substr(0, 7000));
  const std::string message = "reload: " + s->skin().reload();
  ASSERT_GT(message.size(), 200u);
  const int font = 0x2011, width = 480 - 12;  // the window's status font and width
  const std::vector<sim::StatusLine> rows = sim::status_rows(
      s->phone().fonts(),
      {{sim::player_status(*s), 0}, {sim::skin_status(*s), 0}, {sim::backdrop_status(*s), 0},
       {message, 1}},
      font, width, 12);
  std::string shown;
  for (const sim::StatusLine& r : rows) {
    EXPECT_LE(s->phone().fonts().text_width(host::utf8_to_utf16(r.text), font), width) << r.text;
    if (r.colour == 1) shown += (shown.empty() ? "" : " ") + r.text;
  }
  EXPECT_EQ(shown, message);

  ts::write_file(config, good);
  bcfg::set_values(config, {"FON_FROM_BUFFER_ENABLED=0"});
  ASSERT_TRUE(run(*s, "reload\nwait 1000\n"));
  EXPECT_EQ(sim::backdrop_status(*s), "");
}

// The restart after an image edit shows the panel again with the hot key of the phone's
// configuration file, not the built-in block's.
TEST_F(SimRun, ReloadShowsThePanelAgainWithTheConfigurationsHotKey) {
  sim::SimOptions o = options();
  o.skin = tmp_.path() / "skin";
  fs::copy(sim::default_skin(), o.skin);
  bcfg::set_values(o.skin / "TuneStrip.bcfg", {"KEYRUN=0x60"});  // the digit 0
  auto s = session(o);
  ASSERT_TRUE(run(*s, "player start\naddon start\nwait 300\nkey 0\nwait 1600\n"));
  ASSERT_EQ(s->phone().gui().live(), 1u);
  fs::copy_file(o.skin / "Key1_S.png", o.skin / "Fon.png", fs::copy_options::overwrite_existing);
  EXPECT_NE(s->skin().reload().find("the add-on restarted"), std::string::npos);
  ASSERT_TRUE(run(*s, "wait 1600\n"));
  EXPECT_EQ(s->phone().loader().loaded(), 1u);
  EXPECT_EQ(s->phone().gui().live(), 1u);
}

TEST_F(SimRun, FailedCommandsNameTheirLine) {
  auto s = session(options());
  try {
    run(*s, "wait 10\nshot /proc/no/such/place.png\n");
    FAIL() << "the shot should fail";
  } catch (const sim::RunError& e) {
    EXPECT_EQ(e.line(), 2);
    EXPECT_NE(std::string(e.what()).find("/proc/no/such/place.png"), std::string::npos) << e.what();
  }
}

TEST_F(SimRun, BadPathsAreRefusedBeforeTheRun) {
  auto refused = [&](sim::SimOptions o, bool needs_music, const std::string& fragment) {
    try {
      sim::Session s(o, needs_music, log_);
    } catch (const sim::InputError& e) {
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
      return;
    }
    ADD_FAILURE() << "accepted: " << fragment;
  };
  ts::write_file(tmp_.path() / "file", "x");
  sim::SimOptions o = options();
  o.music = tmp_.path() / "no-music";
  refused(o, true, "--music");
  o = options();
  o.skin = tmp_.path() / "no-skin";
  refused(o, false, "--skin");
  o = options();
  o.config = tmp_.path() / "no.bcfg";
  refused(o, false, "--config");
  o = options();
  o.phone = tmp_.path() / "file";
  refused(o, false, "--phone");
  o = options();
  o.out = tmp_.path() / "file";
  refused(o, false, "--out");
  o = options();
  o.trace = (tmp_.path() / "no" / "dir" / "trace.txt").string();
  refused(o, false, "trace");
  // Music is checked only for runs that play it.
  o = options();
  o.music = tmp_.path() / "no-music";
  EXPECT_NO_THROW(sim::Session(o, false, log_));
}

}  // namespace
