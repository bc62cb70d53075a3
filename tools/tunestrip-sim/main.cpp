// tunestrip-sim: runs TuneStrip on the simulated phone, from a script, the built-in demo or the
// keyboard of an interactive window, and prints a summary of the run.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "core/addon_runtime.h"
#include "sim/demo.h"
#include "sim/installed_skin.h"
#include "sim/option_paths.h"
#include "sim/options.h"
#include "sim/progress.h"
#include "sim/script.h"
#include "sim/session.h"
#include "sim/sheet.h"
#include "sim/summary.h"
#include "window.h"

namespace {

constexpr const char* kTool = "tunestrip-sim";

int failed(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return tools::kExitFailed;
}

int run(const std::vector<std::string>& args) {
  sim::SimOptions options;
  try {
    options = sim::parse_options(args);
  } catch (const sim::UsageError& e) {
    return tools::usage_error(kTool, e.what());
  }
  if (options.help) {
    std::fputs(sim::usage().c_str(), stdout);
    return tools::kExitDone;
  }
  if (options.version) {
    std::fputs(tools::version_text(kTool).c_str(), stdout);
    return tools::kExitDone;
  }
  if (options.interactive && !sim::window_available())
    return failed("--interactive: this build has no window (SDL2 was not found)");
  if (std::string why; options.edit && !sim::editor_available(why)) return failed("--edit: " + why);

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
  } catch (const sim::InputError& e) {
    return failed(e.what());
  } catch (const sim::ScriptError& e) {
    std::fprintf(stderr, "%s: %s:%d: %s\n", kTool, where.c_str(), e.line(), e.what());
    return e.refused() ? tools::kExitFailed : tools::kExitUsage;
  }
  if (demo && options.gif.empty()) options.gif = sim::kDemoGif;  // into the --out folder

  bool needs_music = options.interactive || options.music != sim::default_music();
  for (const sim::Command& c : commands) needs_music |= c.op == sim::Op::PlayerStart;

  // From here a run ends cleanly on Ctrl+C or kill: the summary printed, the temporary phone
  // folder removed (with the session), and the status 128 + the signal's number. Before, there
  // is nothing to clean up and the default action ends a blocked read of the script at once.
  tools::catch_interrupts();

  // A long scripted run shows how far it has got while standard error is a terminal.
  sim::ProgressLine progress(std::cerr, !options.quiet && !options.interactive && isatty(2));
  try {
    sim::Session session(options, needs_music, progress.stream());
    const int last_line = commands.empty() ? 0 : commands.back().line;
    session.set_progress([&](const sim::Command& c, int64_t now) {
      progress.update(c.line, last_line, now);
    });
    int status = tools::kExitDone;
    try {
      if (options.interactive)
        status = sim::run_interactive(session, commands, std::cerr);
      else
        session.run(commands);
    } catch (const sim::RunError& e) {
      progress.clear();
      session.finish();
      std::fprintf(stderr, "%s: %s:%d: %s\n", kTool, where.c_str(), e.line(), e.what());
      return tools::kExitFailed;
    } catch (const host::AddonFault& e) {
      // The add-on's code went wrong on the emulated CPU: the run ends, the phone cleans up.
      progress.clear();
      return failed(std::string("the add-on faulted: ") + e.what());
    }
    progress.clear();
    if (status != tools::kExitDone) return status;
    session.finish();
    const sim::Summary summary = session.summary();
    const int signal = tools::interrupted();
    if (signal)
      std::fprintf(stderr, "%s: interrupted by %s after %.1f s of virtual time\n", kTool,
                   tools::signal_name(signal), double(summary.virtual_ms) / 1000.0);
    if (!options.quiet) std::fputs(sim::format_summary(summary).c_str(), stdout);
    std::fflush(stdout);
    if (!summary.addon_running && !summary.counts.all_zero())
      std::fprintf(stderr, "%s: warning: the add-on left resources behind after its exit\n", kTool);
    if (signal) return tools::interrupted_status(signal);
    // A scripted run of a skin with errors (at this screen size) fails, after the run: what it
    // shows is not what the skin is meant to show. The window shows them and runs on.
    size_t errors = 0;
    for (const skin::Finding& f : session.skin().findings().all())
      errors += f.severity == skin::Severity::Error;
    if (errors > 0 && !options.interactive) {
      std::fprintf(stderr, "%s: the skin has %zu error%s at %dx%d (above)\n", kTool, errors,
                   errors == 1 ? "" : "s", options.screen_w, options.screen_h);
      return tools::kExitFailed;
    }
    return tools::kExitDone;
  } catch (const sim::InputError& e) {
    progress.clear();
    return failed(e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // tunestrip-skin hands its sheet here, since the sheet is runs of the phone: `--sheet ARGS`
  // is `tunestrip-skin sheet ARGS`.
  if (!args.empty() && args[0] == "--sheet")
    return tools::run_guarded("tunestrip-skin",
                              [&] { return sheet::run_sheet_command({args.begin() + 1, args.end()}); });
  try {
    return run(args);
  } catch (const std::exception& e) {
    return failed(e.what());
  }
}
