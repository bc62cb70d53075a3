// What the tools share: the nearest-word suggestion, the options a --help lists, and the
// simulator's progress line on a terminal.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/suggest.h"
#include "sim/progress.h"

namespace {

TEST(Suggest, NearEnoughAndNoFurther) {
  const std::vector<std::string_view> words = {"wait", "key", "player", "TITLE_NORAMAL_COLOR",
                                               "HIDE_SPEED", "--music", "--mute"};
  // A word of ten megabytes (a file pasted as an argument) is no slip, and is told at once.
  const std::string huge(10'000'000, 'k');
  struct Case {
    std::string_view word;
    std::string_view expected;  // empty: no suggestion
  } cases[] = {
      {"wiat", "wait"},  // two letters swapped
      {"TITLE_NORMAL_COLOR", "TITLE_NORAMAL_COLOR"},
      {"hide_speed", "HIDE_SPEED"},  // case
      {"--muzic", "--music"},
      {"--mite", "--mute"},
      {"plyer", "player"},
      {"fly", ""},
      {"ky", ""},       // too short to tell
      {"wait", ""},     // already a word
      {"speed", ""},    // too far
      {"--bogus", ""},
      {huge, ""},
  };
  for (const Case& c : cases) {
    const auto got = tools::closest(c.word, words);
    EXPECT_EQ(got.value_or(""), c.expected) << c.word;
  }
  EXPECT_EQ(tools::did_you_mean("wiat", words), "; did you mean wait?");
  EXPECT_EQ(tools::shortened(huge, 4), "kkkk… (10000000 bytes)");
  EXPECT_EQ(tools::shortened("wait", 4), "wait");
}

TEST(Cli, OptionsOfAHelpText) {
  const std::string help =
      "Usage: tool [OPTIONS]\n"
      "Options:\n"
      "  --music PATH   a folder\n"
      "                 --not-an-option in the text\n"
      "  -q, --quiet    quiet\n"
      "  --out=DIR      pictures\n"
      "Keys:\n"
      "  + / -, PgUp    volume\n";
  EXPECT_EQ(tools::options_in(help), (std::vector<std::string>{"--music", "-q", "--quiet", "--out"}));
  EXPECT_EQ(tools::unknown_option("--qiuet", help), "unknown option '--qiuet'; did you mean --quiet?");
}

// The line appears once the run has taken half a second, is rewritten in place, and is taken
// away before anything else is printed and at the end.
TEST(SimProgress, RewrittenInPlaceAndClearedForMessages) {
  using namespace std::chrono_literals;
  sim::ProgressLine::Clock::time_point t{};
  std::ostringstream out;
  {
    sim::ProgressLine p(out, true, [&] { return t; });
    p.update(1, 9, 0);
    EXPECT_EQ(out.str(), "");  // too early
    t += 600ms;
    p.update(2, 9, 61500);
    t += 50ms;
    p.update(2, 9, 62000);  // too soon after the last
    p.stream() << "echo text\n";
    t += 100ms;
    p.update(3, 9, 3725000);
  }
  EXPECT_EQ(out.str(),
            "\r\033[Ktunestrip-sim: script line 2 of 9, virtual time 1:01.5"
            "\r\033[Kecho text\n"
            "\r\033[Ktunestrip-sim: script line 3 of 9, virtual time 1:02:05.0"
            "\r\033[K");

  std::ostringstream off;
  sim::ProgressLine p(off, false, [&] { return t += 1s; });
  p.update(1, 1, 0);
  p.stream() << "note\n";
  EXPECT_EQ(off.str(), "note\n");
}

}  // namespace
