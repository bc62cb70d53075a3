// tunestrip-skin: checks a skin (the panel's 14 images and its configuration) before it goes to
// the phone.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/suggest.h"
#include "skin/check.h"

#include "new_command.h"
#include "sheet.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kTool = "tunestrip-skin";

const std::string& usage() {
  static const std::string text =
      "Usage: tunestrip-skin check DIR [--config FILE] [--json]\n"
      "       tunestrip-skin sheet DIR [-o FILE.png] [--config FILE] [--screen WxH] [--cases DIR]\n"
      "       tunestrip-skin new DIR\n"
      "\n"
      "sheet draws one picture of the skin in every hard case a phone meets (see sheet --help);\n"
      "new writes a starting skin, the default one, into a new or empty folder (see new --help).\n"
      "\n"
      "Checks a TuneStrip skin: the folder DIR with the panel's 14 images (NoCover.png, Fon.png,\n"
      "Key1.png ... Key5_S.png) and the configuration they are drawn with, and prints one line\n"
      "per finding:  NAME: error|warning: what is wrong, and what it should be\n"
      "NAME is an image, the configuration file or a configuration item (FUNCTION_KEY_RECT2).\n"
      "\n"
      "Images: present (names match without regard to case, as on the phone), decodable by the\n"
      "phone, of the size of the box they are drawn scaled into, not invisible where shown.\n"
      "Configuration: its structure and value limits, boxes with an area and on the screen,\n"
      "labels that start on the panel in a visible colour and a font the phone has, buttons that\n"
      "fit the panel without overlapping and agree with FUNCTION_KEY_COUNT, HIDE_SPEED 1..15.\n"
      "What the configuration does not show matters less: its faults are warnings or unchecked.\n"
      "\n"
      "Options:\n"
      "  --config FILE   the configuration to check with; default DIR/TuneStrip.bcfg, else the\n"
      "                  built-in configuration\n"
      "  --json          print the findings as a JSON array of {\"name\", \"severity\", "
      "\"message\"}\n"
      "  -h, --help      this text\n"
      "  --version       the version\n"
      "\n" +
      tools::exit_status_help(
          "errors found in the skin (warnings alone exit with 0), or the folder or the\n"
          "      configuration cannot be read; sheet and new: a file cannot be written, or\n"
          "      a run of the phone failed",
          "the command line cannot be understood: an unknown option or command, a missing\n"
          "      argument");
  return text;
}

int usage_error(const std::string& message) { return tools::usage_error(kTool, message); }

int failed(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return tools::kExitFailed;
}

}  // namespace

namespace {

int run(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "sheet")
    return sheet::run_sheet_command({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "new") return run_new_command({args.begin() + 1, args.end()});
  if (auto status = tools::standard_options(kTool, args, usage())) return *status;
  if (args.empty()) return usage_error("no command given");
  if (args[0] != "check") {
    if (args[0].size() > 1 && args[0][0] == '-')
      return usage_error(tools::unknown_option(args[0], usage()));
    // A folder where the command goes: the skin to check, most likely.
    std::error_code ec;
    if (fs::is_directory(args[0], ec))
      return usage_error("unknown command '" + args[0] + "'; to check the skin in that folder: " +
                         kTool + " check " + args[0]);
    constexpr std::string_view kCommands[] = {"check", "sheet", "new"};
    return usage_error("unknown command '" + tools::shortened(args[0]) + "'" +
                       tools::did_you_mean(args[0], kCommands));
  }

  std::vector<std::string> dirs;
  fs::path config;
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--config" || a.starts_with("--config=")) {
      if (a == "--config" && i + 1 < args.size())
        config = args[++i];
      else
        config = a.substr(std::min(a.size(), std::string_view("--config=").size()));
      if (config.empty()) return usage_error("--config needs a FILE");
    } else if (a.size() > 1 && a[0] == '-') {
      return usage_error(tools::unknown_option(a, usage()));
    } else {
      dirs.push_back(a);
    }
  }
  if (dirs.empty()) return usage_error("check needs the skin's folder DIR");
  if (dirs.size() > 1) return usage_error("check takes one DIR, not '" + dirs[1] + "' as well");
  const fs::path dir = dirs[0];
  std::error_code ec;
  if (!fs::exists(dir, ec)) return failed(dirs[0] + ": no such folder");
  if (!fs::is_directory(dir, ec)) return failed(dirs[0] + ": not a folder");

  const std::vector<skin::Finding> findings =
      skin::check_skin(dir, skin::choose_config(dir, config));
  if (json) {
    std::fputs(skin::findings_json(findings).c_str(), stdout);
  } else if (findings.empty()) {
    std::printf("%s: no findings\n", dirs[0].c_str());
  } else {
    for (const skin::Finding& f : findings) std::printf("%s\n", skin::format_finding(f).c_str());
  }
  return skin::has_errors(findings) ? tools::kExitFailed : tools::kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tools::run_guarded(kTool, [&] { return run(args); });
}
