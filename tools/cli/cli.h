// What every tool's command line has in common: the exit statuses, --help and -h, --version,
// and wrong usage reported in one line that names the fault and suggests the option meant.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// The exit statuses of every tool.
enum Exit : int {
  kExitDone = 0,
  // The work failed on its input: a file missing, unreadable or malformed, a value or an item
  // name refused.
  kExitFailed = 1,
  // The command line or a script cannot be understood: an unknown option or command, a missing
  // argument, NAME without =VALUE, a script line that does not parse.
  kExitUsage = 2,
};

// The "Exit status:" section of a tool's --help: what makes status 1 (the work failed on its
// input) and status 2 (the command line cannot be understood) for that tool, each a sentence whose
// later lines are indented by six spaces.
std::string exit_status_help(std::string_view failed, std::string_view misuse);

// Runs a tool's work: whatever it throws is said in one line, "TOOL: WHAT", with status 1, never
// left to end the process uncaught.
int run_guarded(std::string_view tool, const std::function<int()>& work);

// "TOOL (TuneStrip) VERSION", as --version prints it (the version of the project's CMake file).
std::string version_text(std::string_view tool);

// Answers --help/-h (prints `usage`) and --version (prints the version) among `args` before
// "--"; the exit status when one was there, nothing otherwise.
std::optional<int> standard_options(std::string_view tool, const std::vector<std::string>& args,
                                    std::string_view usage);

// The options a --help text lists ("--music", "-h"...): the word that starts a line indented by
// one to four spaces with '-', and the words after its ", ".
std::vector<std::string> options_in(std::string_view usage);

// "unknown option '--jsno'; did you mean --json?" against the options `usage` lists.
std::string unknown_option(std::string_view option, std::string_view usage);

// A screen size as --screen takes it, "WIDTHxHEIGHT" (240x320), 16 to 2048 pixels a side;
// nothing for anything else.
struct ScreenSize {
  int w = 240, h = 320;
};
std::optional<ScreenSize> parse_screen(std::string_view text);
// The message for a --screen value that parse_screen refuses.
std::string bad_screen(std::string_view text);

// Prints "TOOL: MESSAGE (try --help)" on standard error; answers kExitUsage.
int usage_error(std::string_view tool, std::string_view message);

}  // namespace tools
