// The simulator's script parser and command line, in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "sim/options.h"
#include "sim/script.h"

namespace {

using sim::Command;
using sim::KeyMode;
using sim::Op;

// The line number and message of the first bad line; a refused line's number is negative.
std::pair<int, std::string> error_of(const std::string& script) {
  try {
    sim::parse_script(script);
  } catch (const sim::ScriptError& e) {
    return {e.refused() ? -e.line() : e.line(), e.what()};
  }
  return {0, ""};
}

TEST(SimScript, EveryCommandParses) {
  const std::vector<Command> c = sim::parse_script(
      "# a comment line\n"
      "\n"
      "wait 1500   # trailing comment\n"
      "key hot\n"
      "key up long\n"
      "key 5 down\n"
      "key 0x2A up\n"
      "  KEY Enter SHORT\r\n"
      "player start\nplayer close\nplayer play\nplayer pause\nplayer next\nplayer prev\n"
      "player seek 90\n"
      "shot out/panel.png\n"
      "config IS_TITLE_EN=0 HIDE_SPEED=5\n"
      "addon start\naddon terminate\naddon about\naddon edit-config\n"
      "echo phase one\n"
      "quit\n"
      "expect panel SHOWN\nexpect player paused\nexpect track 3\nexpect addon ended\n");
  ASSERT_EQ(c.size(), 25u);
  EXPECT_EQ(c[0].op, Op::Wait);
  EXPECT_EQ(c[0].ms, 1500);
  EXPECT_EQ(c[0].line, 3);
  EXPECT_EQ(c[1].key, host::codes::KEY_MUSIC);
  EXPECT_EQ(c[1].mode, KeyMode::Short);
  EXPECT_EQ(c[2].key, host::codes::KEY_UP);
  EXPECT_EQ(c[2].mode, KeyMode::Long);
  EXPECT_EQ(c[3].key, host::codes::KEY_DIGIT_0 + 5);
  EXPECT_EQ(c[3].mode, KeyMode::Down);
  EXPECT_EQ(c[4].key, 42);
  EXPECT_EQ(c[4].mode, KeyMode::Up);
  EXPECT_EQ(c[5].key, host::codes::KEY_ENTER);
  EXPECT_EQ(c[5].line, 8);
  const Op players[] = {Op::PlayerStart, Op::PlayerClose, Op::PlayerPlay,
                        Op::PlayerPause, Op::PlayerNext,  Op::PlayerPrev};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(c[6 + i].op, players[i]);
  EXPECT_EQ(c[12].op, Op::PlayerSeek);
  EXPECT_EQ(c[12].seconds, 90);
  EXPECT_EQ(c[13].op, Op::Shot);
  EXPECT_EQ(c[13].text, "out/panel.png");
  EXPECT_EQ(c[14].op, Op::Config);
  EXPECT_EQ(c[14].assignments, (std::vector<std::string>{"IS_TITLE_EN=0", "HIDE_SPEED=5"}));
  EXPECT_EQ(c[15].op, Op::AddonStart);
  EXPECT_EQ(c[16].op, Op::AddonTerminate);
  EXPECT_EQ(c[17].op, Op::AddonAbout);
  EXPECT_EQ(c[18].op, Op::AddonEditConfig);
  EXPECT_EQ(c[19].op, Op::Echo);
  EXPECT_EQ(c[19].text, "phase one");
  EXPECT_EQ(c[20].op, Op::Quit);
  EXPECT_EQ(c[21].op, Op::ExpectPanel);
  EXPECT_EQ(c[21].text, "shown");
  EXPECT_EQ(c[22].op, Op::ExpectPlayer);
  EXPECT_EQ(c[23].op, Op::ExpectTrack);
  EXPECT_EQ(c[23].track, 3);
  EXPECT_EQ(c[24].op, Op::ExpectAddon);
  // Each command back as text parses to itself.
  for (const Command& one : c) {
    const std::vector<Command> again = sim::parse_script(sim::describe(one));
    ASSERT_EQ(again.size(), 1u) << sim::describe(one);
    EXPECT_EQ(sim::describe(again[0]), sim::describe(one));
  }
  EXPECT_EQ(sim::describe(c[2]), "key up long");
  EXPECT_EQ(sim::describe(c[14]), "config IS_TITLE_EN=0 HIDE_SPEED=5");
}

TEST(SimScript, BadLinesNameTheirLineAndFault) {
  struct Case {
    std::string script;
    int line;
    std::string fragment;
  } cases[] = {
      {"wait 10\nfly away\n", 2, "unknown command \"fly\""},
      {"wiat 10\n", 1, "unknown command \"wiat\" (commands: wait, key, player, shot, config, addon, "
                       "reload, expect, echo, quit); did you mean wait?"},
      {"wait\n", 1, "wait takes"},
      {"wait -5\n", 1, "not a number of milliseconds"},
      {"wait 10ms\n", 1, "\"10ms\""},
      {"wait 99999999999999\n", -1, "more than a week"},
      {"\n\nkey banana\n", 3, "unknown key \"banana\""},
      {"key up sideways\n", 1, "unknown press mode \"sideways\""},
      {"key up short extra\n", 1, "key takes"},
      {"player\n", 1, "player takes an action"},
      {"player rewind\n", 1, "unknown action \"rewind\""},
      {"player pasue\n", 1, "did you mean pause?"},
      {"player seek\n", 1, "player seek SECONDS"},
      {"player seek soon\n", 1, "not a number of seconds"},
      {"player next 3\n", 1, "takes nothing more"},
      {"shot picture.jpg\n", 1, "does not end in .png"},
      {"shot\n", 1, "shot takes"},
      {"config\n", 1, "NAME=VALUE"},
      {"config IS_TITLE_EN\n", 1, "not NAME=VALUE"},
      {"config NO_SUCH_NAME=1\n", -1, "NO_SUCH_NAME"},
      {"config HIDE_SPEED=99\n", -1, "HIDE_SPEED"},
      {"addon explode\n", 1, "unknown action \"explode\""},
      {"quit now\n", 1, "quit takes"},
      {"expect panel visible\n", 1, "expect panel: unknown state \"visible\" (states: shown, hidden)"},
      {"expect track 0\n", 1, "not a track number"},
      {"expect\n", 1, "expect takes an action: panel, player, track, addon"},
  };
  for (const Case& c : cases) {
    auto [line, message] = error_of(c.script);
    EXPECT_EQ(line, c.line) << c.script;
    EXPECT_NE(message.find(c.fragment), std::string::npos) << c.script << " gave: " << message;
  }
  // The first bad line stops the parse, even with good lines after it.
  EXPECT_EQ(error_of("wait 1\nkey nope\nfly\n").first, 2);
}

TEST(SimScript, KeyNamesAndCodes) {
  EXPECT_EQ(sim::parse_key("hot"), host::codes::KEY_MUSIC);
  EXPECT_EQ(sim::parse_key("VOLUP"), host::codes::KEY_VOL_UP);
  EXPECT_EQ(sim::parse_key("voldown"), host::codes::KEY_VOL_DOWN);
  EXPECT_EQ(sim::parse_key("9"), host::codes::KEY_DIGIT_0 + 9);
  EXPECT_EQ(sim::parse_key("42"), 42);
  EXPECT_EQ(sim::parse_key("0x3F"), host::codes::KEY_ENTER);
  EXPECT_FALSE(sim::parse_key("-1"));
  EXPECT_FALSE(sim::parse_key("70000"));
  EXPECT_FALSE(sim::parse_key(""));
}

TEST(SimOptions, ParsesValuesAndRefusesBadOnes) {
  sim::SimOptions o = sim::parse_options({"--music", "m", "--phone=p", "--platform-id", "0x7100",
                                          "--screen", "176x220", "--out", "pics", "--trace", "-",
                                          "--gif", "run.gif", "--script", "s.txt",
                                          "--codepage", "latin1", "-q"});
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.music, "m");
  EXPECT_EQ(o.phone, "p");
  EXPECT_EQ(o.platform_id, 0x7100u);
  EXPECT_EQ(o.screen_w, 176);
  EXPECT_EQ(o.screen_h, 220);
  EXPECT_EQ(o.out, "pics");
  EXPECT_EQ(o.trace, "-");
  EXPECT_EQ(o.gif, "run.gif");
  EXPECT_EQ(o.script, "s.txt");
  EXPECT_EQ(o.codepage, "latin1");
  EXPECT_EQ(sim::parse_options({"--platform-id", "8040"}).platform_id, 0x8040u);

  const sim::SimOptions d = sim::parse_options({});
  EXPECT_EQ(d.platform_id, 0x9900u);
  EXPECT_EQ(d.out, "out");
  EXPECT_EQ(d.music, sim::default_music());
  EXPECT_EQ(d.skin, sim::default_skin());
  EXPECT_EQ(sim::parse_options({"--interactive", "myskin"}).skin, "myskin");  // as --skin

  const std::vector<std::vector<std::string>> bad = {
      {"--platform-id", "zz"}, {"--platform-id", "0"}, {"--screen", "240"},
      {"--screen", "240x0"},   {"--screen", "9x9"},    {"--music"},
      {"--bogus"},             {"one", "two"},         {"--help=yes"},
      {"--codepage", "koi8"},  {"--out="},
  };
  for (const auto& args : bad) EXPECT_THROW(sim::parse_options(args), sim::UsageError) << args[0];
}

TEST(SimOptions, HelpListsCommandsAndKeys) {
  const std::string u = sim::usage();
  for (const char* s : {"--music", "--phone", "--skin", "--config", "--platform-id", "--screen",
                        "--out", "--trace", "--gif", "--script", "--interactive", "wait MS",
                        "key NAME", "player seek", "shot FILE.png", "config NAME=VALUE",
                        "edit-config", "Space", "Exit status"})
    EXPECT_NE(u.find(s), std::string::npos) << s;
}

}  // namespace
