// The arrows between the rooms of the tree (docs/architecture.md): every include of every file of
// src/, host/ and tools/ names a header of a room its own room may use, spelled from that room's
// folder, and the header is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kRoot = TS_SOURCE_DIR;

// Where a spelled include lives: a folder of the tree per first component.
const std::map<std::string, fs::path> kFolders = {
    {"platform", "src"}, {"shell", "src"},   {"track", "src"},    {"mp3", "src"},
    {"panel", "src"},    {"core", "host"},   {"files", "host"},   {"images", "host"},
    {"screen", "host"},  {"tags", "host"},   {"player", "host"},  {"phone", "host"},
    {"guest", "host"},   {"cli", "tools"},   {"config", "tools"}, {"skin", "tools"},
    {"sim", "tools"},    {"mp3w", "tools"},
};

// The phone's face: every room of the phone reaches the others through the phone.
const std::set<std::string> kPhoneFace = {"phone/phone.h", "phone/options.h"};

// What each room may include besides its own headers, by first component; "catalogue" is the
// configuration catalogue alone (shell/config/catalogue.h and its list of the panel's labels),
// not the rest of the shell.
const std::map<std::string, std::set<std::string>> kArrows = {
    // The add-on: itself and its platform layer.
    {"src/platform", {}},
    {"src/mp3", {"platform"}},
    {"src/shell", {"platform", "track", "mp3", "panel"}},
    {"src/track", {"platform", "shell", "mp3", "panel"}},
    {"src/panel", {"platform", "shell", "track", "mp3"}},
    // The phone: below the phone itself, each room builds on the ones before it.
    {"host/core", {"platform"}},
    {"host/files", {"platform", "core"}},
    {"host/images", {"platform", "core", "files"}},
    {"host/tags", {"platform", "core", "files"}},
    {"host/screen", {"platform", "core", "files", "images"}},
    {"host/player", {"platform", "core", "files", "images", "screen", "tags"}},
    {"host/guest", {"platform", "core"}},
    {"host/phone", {"platform", "core", "files", "images", "screen", "tags", "player", "guest"}},
    // The tools' libraries and programs: the phone, the catalogue and the parser, each other
    // downwards.
    {"tools/cli", {"platform", "core"}},
    {"tools/mp3w", {"core"}},
    {"tools/config", {"platform", "catalogue", "core", "screen", "cli"}},
    {"tools/skin", {"platform", "catalogue", "core", "files", "images", "screen", "cli", "config"}},
    {"tools/sim",
     {"platform", "catalogue", "core", "files", "images", "screen", "tags", "player", "phone",
      "cli", "config", "skin", "mp3w"}},
    {"tools/tunestrip-bcfg", {"catalogue", "cli", "config"}},
    {"tools/tunestrip-skin", {"cli", "skin"}},
    {"tools/tunestrip-mp3info", {"platform", "mp3", "core", "cli"}},
    {"tools/tunestrip-sim",
     {"platform", "catalogue", "core", "files", "images", "screen", "tags", "player", "phone",
      "cli", "config", "skin", "sim"}},
};

// The header a line includes in quotes, or "" for any other line.
std::string quoted_include(const std::string& line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line.compare(i, 8, "#include") != 0) return "";
  const size_t open = line.find('"', i + 8);
  const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

// The room of a file: src/shell/config/config.cpp is in src/shell, host/core/arena.h in host/core.
std::string room_of(const fs::path& rel) {
  auto it = rel.begin();
  return it->string() + "/" + std::next(it)->string();
}

std::string kind_of(const std::string& include) {
  if (include == "shell/config/catalogue.h" || include == "shell/config/panel_labels.h")
    return "catalogue";
  return include.substr(0, include.find('/'));
}

TEST(Layout, EveryIncludeFollowsAnAllowedArrow) {
  std::vector<std::string> wrong;
  size_t files = 0;
  for (const char* top : {"src", "host", "tools"}) {
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / top)) {
      const fs::path& path = entry.path();
      if (path.extension() != ".h" && path.extension() != ".cpp") continue;
      const fs::path rel = fs::relative(path, kRoot);
      if (std::distance(rel.begin(), rel.end()) < 3) continue;  // no code at a tree's top
      const std::string room = room_of(rel);
      const auto arrows = kArrows.find(room);
      if (arrows == kArrows.end()) {
        wrong.push_back(rel.string() + ": a room the layout does not name");
        continue;
      }
      ++files;
      std::ifstream in(path);
      std::string line;
      for (int n = 1; std::getline(in, line); ++n) {
        const std::string inc = quoted_include(line);
        if (inc.empty()) continue;
        const std::string where = rel.string() + ":" + std::to_string(n) + ": \"" + inc + "\"";
        if (inc.find('/') == std::string::npos) {
          // A header of the file's own folder, by its bare name: only within a program's folder.
          if (room.starts_with("tools/tunestrip-") && fs::exists(path.parent_path() / inc)) continue;
          wrong.push_back(where + " names no room");
          continue;
        }
        const std::string kind = kind_of(inc);
        const auto folder = kFolders.find(inc.substr(0, inc.find('/')));
        if (folder == kFolders.end() || !fs::exists(kRoot / folder->second / inc)) {
          wrong.push_back(where + " is not a header of the tree, spelled from its room");
          continue;
        }
        const std::string target_room = folder->second.string() + "/" + inc.substr(0, inc.find('/'));
        const bool own = target_room == room;
        const bool face = room.starts_with("host/") && kPhoneFace.count(inc);
        const bool allowed = arrows->second.count(kind) ||
                             (kind == "catalogue" && arrows->second.count("shell"));
        if (!own && !face && !allowed)
          wrong.push_back(where + " crosses from " + room + " to " + kind + ", which it may not use");
      }
    }
  }
  EXPECT_GT(files, 150u);
  for (const std::string& w : wrong) ADD_FAILURE() << w;
}

}  // namespace
