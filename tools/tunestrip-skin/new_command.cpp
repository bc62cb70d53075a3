#include "new_command.h"

#include <cstdio>

#include "cli/cli.h"
#include "skin/new_skin.h"

namespace {

constexpr const char* kTool = "tunestrip-skin";

const char* const kUsage =
    "Usage: tunestrip-skin new DIR\n"
    "\n"
    "Writes a starting skin into DIR, which must be new or empty: the 14 images of the default\n"
    "skin (NoCover.png, Fon.png, Key1.png ... Key5_S.png), drawn by the code that draws the\n"
    "bundled one, and its TuneStrip.bcfg (the built-in configuration with the buttons set to the\n"
    "actions their pictures show: next, previous, play/pause, the player, hide).\n";

}  // namespace

int run_new_command(const std::vector<std::string>& args) {
  std::vector<std::string> dirs;
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return tools::kExitDone;
    }
    if (a.size() > 1 && a[0] == '-') return tools::usage_error(kTool, tools::unknown_option(a, kUsage));
    dirs.push_back(a);
  }
  if (dirs.empty()) return tools::usage_error(kTool, "new needs the folder DIR to write the skin into");
  if (dirs.size() > 1)
    return tools::usage_error(kTool, "new takes one DIR, not '" + dirs[1] + "' as well");
  try {
    skin::write_new_skin(dirs[0]);
  } catch (const skin::NewSkinError& e) {
    std::fprintf(stderr, "%s: %s\n", kTool, e.what());
    return tools::kExitFailed;
  }
  std::printf("%s: a new skin of 14 images and %s\n", dirs[0].c_str(), "TuneStrip.bcfg");
  return tools::kExitDone;
}
