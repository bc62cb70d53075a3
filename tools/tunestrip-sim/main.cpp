// tunestrip-sim: runs TuneStrip on the simulated phone, from a script, the built-in demo or the
// keyboard of an interactive window, and prints a summary of the run.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/sim_demo.h"
#include "tools/common/sim_options.h"
#include "tools/common/sim_script.h"
#include "tools/common/sim_session.h"
#include "window.h"

namespace {

int usage_error(const std::string& message) {
  std::fprintf(stderr, "tunestrip-sim: %s (try --help)\n", message.c_str());
  return 2;
}

int run(const std::vector<std::string>& args) {
  sim::SimOptions options;
  try {
    options = sim::parse_options(args);
  } catch (const sim::UsageError& e) {
    return usage_error(e.what());
  }
  if (options.help) {
    std::fputs(sim::usage().c_str(), stdout);
    return 0;
  }
  if (options.interactive && !sim::window_available())
    return usage_error("--interactive: this build has no window (SDL2 was not found)");
  if (std::string why; options.edit && !sim::editor_available(why)) return usage_error("--edit: " + why);

  // The whole script is read and parsed before the phone is made.
  const bool demo = options.script.empty() && !options.interactive;
  std::string where = demo ? "demo" : options.script;
  std::vector<sim::Command> commands;
  try {
    std::string text;
    if (!options.script.empty())
      text = sim::read_script(options.script);
    else if (demo)
      text = sim::demo_script();
    else
      text = "player start\naddon start\n";  // the window starts with both running
    if (where == "-") where = "standard input";
    commands = sim::parse_script(text);
  } catch (const sim::UsageError& e) {
    return usage_error(e.what());
  } catch (const sim::ScriptError& e) {
    std::fprintf(stderr, "tunestrip-sim: %s:%d: %s\n", where.c_str(), e.line(), e.what());
    return 2;
  }
  if (demo && options.gif.empty()) options.gif = options.out / sim::kDemoGif;

  bool needs_music = options.interactive || options.music != sim::default_music();
  for (const sim::Command& c : commands) needs_music |= c.op == sim::Op::PlayerStart;

  try {
    sim::Session session(options, needs_music, std::cerr);
    int status = 0;
    try {
      if (options.interactive)
        status = sim::run_interactive(session, commands, std::cerr);
      else
        session.run(commands);
    } catch (const sim::RunError& e) {
      session.finish();
      std::fprintf(stderr, "tunestrip-sim: %s:%d: %s\n", where.c_str(), e.line(), e.what());
      return 1;
    }
    if (status != 0) return status;
    session.finish();
    const sim::Summary summary = session.summary();
    std::fputs(sim::format_summary(summary).c_str(), stdout);
    std::fflush(stdout);
    if (!summary.addon_running && !summary.counts.all_zero())
      std::fprintf(stderr, "tunestrip-sim: warning: the add-on left resources behind after its exit\n");
    return 0;
  } catch (const sim::UsageError& e) {
    return usage_error(e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tunestrip-sim: %s\n", e.what());
    return 1;
  }
}
