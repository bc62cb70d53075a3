#include "pack_diff.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "cli/cli.h"
#include "skin/diff.h"
#include "skin/diff_picture.h"
#include "skin/pack.h"

namespace fs = std::filesystem;

namespace skin_tool {
namespace {

constexpr const char* kTool = "tunestrip-skin";

int failed(const std::string& message, int status = tools::kExitFailed) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return status;
}

// The value of `option` at args[i] ("-o FILE" or "-o=FILE"), moving i past it; empty when
// missing.
std::string value_of(const std::vector<std::string>& args, size_t& i, const std::string& option) {
  const std::string& a = args[i];
  if (a == option) return i + 1 < args.size() ? args[++i] : std::string();
  return a.substr(option.size() + 1);
}

bool is_option(const std::string& a, const std::string& option) {
  return a == option || a.starts_with(option + "=");
}

}  // namespace

const char* const kPackDiffHelp =
    "pack DIR [-o NAME.zip] [--config FILE]\n"
    "  Checks the skin in DIR as check does and, when it has no errors, packs its panel images\n"
    "  and its configuration into NAME.zip (default: DIR's name with .zip, in the current\n"
    "  folder), laid out in the phone's folders: unpacked at the root of the phone's memory\n"
    "  card, it installs the skin (other/ZBin/Config/TuneStrip/ and\n"
    "  other/ZBin/Config/TuneStrip.bcfg). The archive is written whole or not at all.\n"
    "\n"
    "diff A B [-o FILE.png]\n"
    "  What B changes from A, each a skin's folder, a packed skin (.zip) or a configuration\n"
    "  (.bcfg): one line per configuration item that differs, NAME (English label): A -> B, then\n"
    "  one per panel image whose pixels differ (when both are skins). Nothing is printed when\n"
    "  they are the same. -o FILE.png also writes the simulated phone's screen with each (the\n"
    "  music playing, the panel shown; a configuration with the bundled skin) side by side, the\n"
    "  pixels that differ marked in magenta. Its exit status is diff's: 0 the same,\n"
    "  1 different, 2 trouble (a side that cannot be read, wrong usage).\n";

int pack(const std::vector<std::string>& args) {
  std::vector<std::string> dirs;
  fs::path zip, config;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_option(a, "-o") || is_option(a, "--output")) {
      zip = value_of(args, i, a.starts_with("--") ? "--output" : "-o");
      if (zip.empty()) return tools::usage_error(kTool, "-o needs the archive's NAME.zip");
    } else if (is_option(a, "--config")) {
      config = value_of(args, i, "--config");
      if (config.empty()) return tools::usage_error(kTool, "--config needs a FILE");
    } else if (a.size() > 1 && a[0] == '-') {
      return tools::usage_error(kTool, "pack: unknown option '" + a + "'");
    } else {
      dirs.push_back(a);
    }
  }
  if (dirs.empty()) return tools::usage_error(kTool, "pack needs the skin's folder DIR");
  if (dirs.size() > 1)
    return tools::usage_error(kTool, "pack takes one DIR, not '" + dirs[1] + "' as well");
  const fs::path dir = dirs[0];
  std::error_code ec;
  if (!fs::exists(dir, ec)) return failed(dirs[0] + ": no such folder");
  if (!fs::is_directory(dir, ec)) return failed(dirs[0] + ": not a folder");
  if (zip.empty()) {
    fs::path name = fs::absolute(dir).lexically_normal();
    if (!name.has_filename()) name = name.parent_path();
    zip = (name.has_filename() ? name.filename().string() : std::string("skin")) + ".zip";
  }
  if (!skin::is_packed(zip))
    return tools::usage_error(kTool, "-o " + zip.string() + ": a packed skin's name ends in .zip");

  std::vector<skin::Finding> refused;
  try {
    const skin::Packed packed = skin::pack_skin(dir, skin::choose_config(dir, config), zip, &refused);
    for (const skin::Finding& f : packed.findings)
      std::printf("%s\n", skin::format_finding(f).c_str());
    const bool with_config = !packed.entries.empty() && packed.entries.back() == skin::kPackedConfig;
    const size_t images = packed.entries.size() - (with_config ? 1 : 0);
    std::printf("%s: %zu image%s and %s, in the phone's folders\n", zip.string().c_str(), images,
                images == 1 ? "" : "s",
                with_config ? "the configuration" : "no configuration (the phone keeps its own)");
  } catch (const skin::PackError& e) {
    for (const skin::Finding& f : refused) std::printf("%s\n", skin::format_finding(f).c_str());
    std::fflush(stdout);
    return failed(e.what());
  }
  return tools::kExitDone;
}

int diff(const std::vector<std::string>& args) {
  constexpr int kSame = 0, kDifferent = 1, kTrouble = 2;
  std::vector<std::string> sides;
  fs::path png;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_option(a, "-o") || is_option(a, "--output")) {
      png = value_of(args, i, a.starts_with("--") ? "--output" : "-o");
      if (png.empty()) return tools::usage_error(kTool, "-o needs the picture's FILE.png");
    } else if (a.size() > 1 && a[0] == '-') {
      return tools::usage_error(kTool, "diff: unknown option '" + a + "'");
    } else {
      sides.push_back(a);
    }
  }
  if (sides.size() != 2)
    return tools::usage_error(kTool, "diff compares two skins or configurations A and B, not " +
                                         std::to_string(sides.size()));
  try {
    const skin::DiffSide a(sides[0]), b(sides[1]);
    const std::vector<std::string> lines = skin::diff_skins(a, b);
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    std::fflush(stdout);
    if (!png.empty()) {
      const size_t pixels = skin::diff_picture(a, b, png, skin::simulator_beside_program());
      std::fprintf(stderr, "%s: %s: %zu pixel%s of the screen differ%s\n", kTool,
                   png.string().c_str(), pixels, pixels == 1 ? "" : "s", pixels == 1 ? "s" : "");
    }
    return lines.empty() ? kSame : kDifferent;
  } catch (const std::exception& e) {
    return failed(e.what(), kTrouble);
  }
}

}  // namespace skin_tool
