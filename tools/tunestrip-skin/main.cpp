// tunestrip-skin: checks a skin (the panel's 14 images and its configuration) before it goes to
// the phone.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/suggest.h"
#include "pack_diff.h"
#include "skin/check.h"
#include "skin/diff_picture.h"
#include "skin/unpack.h"

#include "new_command.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kTool = "tunestrip-skin";

const std::string& usage() {
  static const std::string text =
      "Usage: tunestrip-skin check DIR|NAME.zip [--config FILE] [--screen WxH] [--json]\n"
      "       tunestrip-skin pack DIR [-o NAME.zip] [--config FILE]\n"
      "       tunestrip-skin diff A B [-o FILE.png]\n"
      "       tunestrip-skin sheet DIR [-o FILE.png] [--config FILE] [--screen WxH] [--cases DIR]\n"
      "       tunestrip-skin new DIR\n"
      "\n"
      "sheet draws one picture of the skin in every hard case a phone meets (see sheet --help);\n"
      "new writes a starting skin, the default one, into a new or empty folder (see new --help).\n"
      "\n"
      "check DIR|NAME.zip\n"
      "Checks a TuneStrip skin: the folder DIR with the panel's 14 images (NoCover.png, Fon.png,\n"
      "Key1.png ... Key5_S.png) and the configuration they are drawn with, and prints one line\n"
      "per finding:  NAME: error|warning: what is wrong, and what it should be\n"
      "It starts with the configuration and the screen it checked with, and ends with the files\n"
      "the phone ignores and the count (\"2 errors, 1 warning\" or \"no findings\").\n"
      "NAME is an image, the configuration file or a configuration item (FUNCTION_KEY_RECT2).\n"
      "\n"
      "Images: present (names match without regard to case, as on the phone), decodable by the\n"
      "phone, of the size of the box they are drawn scaled into, not invisible where shown.\n"
      "Configuration: its structure and value limits, boxes with an area and on the screen,\n"
      "labels that start on the panel in a visible colour and a font the phone has, buttons that\n"
      "fit the panel without overlapping and agree with FUNCTION_KEY_COUNT, HIDE_SPEED 1..15;\n"
      "A label whose longest text, in its font, reaches into the cover, a button or\n"
      "another label is a warning. A missing image's near miss (NoCover.jpg) is named\n"
      "with its rename.\n"
      "What the configuration does not show matters less: its faults are warnings or unchecked.\n"
      "A packed skin NAME.zip (as pack writes it, or a folder of the skin zipped) is unpacked\n"
      "into a temporary folder first. One from someone else is refused whole when an entry could\n"
      "reach outside the skin or is too big: an absolute path, a '..', a link, an entry of more\n"
      "than 16 MiB unpacked, more than 64 MiB in all, or more than 64 entries. Its entries\n"
      "outside the skin's folders are warnings: the phone never reads them.\n"
      "\n" +
      std::string(skin_tool::kPackDiffHelp) +
      "\n"
      "Options:\n"
      "  --config FILE   the configuration to check (and pack) with; default DIR/TuneStrip.bcfg,\n"
      "                  else the built-in configuration\n"
      "  --screen WxH    check: the screen the skin is checked for (default 240x320)\n"
      "  -o, --output FILE\n"
      "                  pack: the archive NAME.zip; diff: the picture FILE.png\n"
      "  --json          print the findings as a JSON array of {\"name\", \"severity\", "
      "\"message\"}\n"
      "  -h, --help      this text\n"
      "  --version       the version\n"
      "\n" +
      tools::exit_status_help(
          "errors found in the skin (warnings alone exit with 0; pack then packs nothing), or\n"
          "      the folder, the packed skin or the configuration cannot be read or is refused;\n"
          "      diff: the two differ (2 when one cannot be read); sheet and new: a file cannot\n"
          "      be written, or a run of the phone failed",
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

// The sheet is runs of the simulated phone, which this program does not hold: the simulator
// beside it draws the sheet, with this command line.
int run_sheet(const std::vector<std::string>& args) {
  const fs::path simulator = skin::simulator_beside_program();
  std::vector<std::string> words{simulator.string(), "--sheet"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  return failed("sheet: cannot start the simulator " + simulator.string() + ": " +
                std::strerror(errno));
}

int run(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "sheet") return run_sheet({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "new") return run_new_command({args.begin() + 1, args.end()});
  if (auto status = tools::standard_options(kTool, args, usage())) return *status;
  if (args.empty()) return usage_error("no command given");
  if (args[0] == "pack") return skin_tool::pack({args.begin() + 1, args.end()});
  if (args[0] == "diff") return skin_tool::diff({args.begin() + 1, args.end()});
  if (args[0] != "check") {
    if (args[0].size() > 1 && args[0][0] == '-')
      return usage_error(tools::unknown_option(args[0], usage()));
    // A folder where the command goes: the skin to check, most likely.
    std::error_code ec;
    if (fs::is_directory(args[0], ec))
      return usage_error("unknown command '" + args[0] + "'; to check the skin in that folder: " +
                         kTool + " check " + args[0]);
    constexpr std::string_view kCommands[] = {"check", "pack", "diff", "sheet", "new"};
    return usage_error("unknown command '" + tools::shortened(args[0]) + "'" +
                       tools::did_you_mean(args[0], kCommands));
  }

  std::vector<std::string> dirs;
  fs::path config;
  bool json = false;
  tools::ScreenSize screen;
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
    } else if (a == "--screen" || a.starts_with("--screen=")) {
      const std::string v = a == "--screen" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(9);
      const auto size = tools::parse_screen(v);
      if (!size) return usage_error(tools::bad_screen(v));
      screen = *size;
    } else if (a.size() > 1 && a[0] == '-') {
      return usage_error(tools::unknown_option(a, usage()));
    } else {
      dirs.push_back(a);
    }
  }
  if (dirs.empty()) return usage_error("check needs the skin's folder DIR");
  if (dirs.size() > 1) return usage_error("check takes one DIR, not '" + dirs[1] + "' as well");
  fs::path dir = dirs[0];
  std::error_code ec;
  // A packed skin is checked in a temporary folder of its own, its stray entries as warnings.
  std::optional<skin::UnpackedSkin> packed;
  std::vector<skin::Finding> stray;
  if (skin::is_packed(dir) && !fs::is_directory(dir, ec)) {
    try {
      packed.emplace(dir);
    } catch (const skin::UnpackError& e) {
      return failed(e.what());
    }
    dir = packed->dir();
    for (const std::string& entry : packed->ignored())
      stray.push_back({entry, skin::Severity::Warning,
                       "outside the skin's folders in " + dirs[0] + ", so the phone never reads it"});
  }
  if (!fs::exists(dir, ec)) return failed(dirs[0] + ": no such folder");
  if (!fs::is_directory(dir, ec)) return failed(dirs[0] + ": not a folder");

  const skin::ConfigChoice choice = skin::choose_config(dir, config);
  std::vector<skin::Finding> findings = skin::check_skin(dir, choice, screen.w, screen.h);
  findings.insert(findings.end(), stray.begin(), stray.end());
  if (json)
    std::fputs(skin::findings_json(findings).c_str(), stdout);
  else
    std::fputs(skin::report(dirs[0], choice, screen.w, screen.h, findings, skin::ignored_files(dir))
                   .c_str(),
               stdout);
  return skin::has_errors(findings) ? tools::kExitFailed : tools::kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tools::run_guarded(kTool, [&] { return run(args); });
}
