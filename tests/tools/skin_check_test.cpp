// The skin check: the default skin broken one thing at a time, each fault found under its name
// with its severity and no error beside it; the default skin itself; tunestrip-skin as a process.
#include "skin/check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "images/picture_output.h"
#include "test_phone.h"

namespace fs = std::filesystem;
using skin::Severity;

namespace {

fs::path default_skin() { return ts::source_dir() / "skin" / "default"; }

// A copy of the default skin's images with the built-in configuration beside them.
void make_skin(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(default_skin()))
    if (e.path().extension() == ".png") fs::copy_file(e.path(), dir / e.path().filename());
  bcfg::write_default(dir / "TuneStrip.bcfg");
}

void set(const fs::path& dir, std::vector<std::string> assignments) {
  bcfg::set_values(dir / "TuneStrip.bcfg", assignments);
}

// Writes a value's bytes directly, for values `set` refuses.
void poke(const fs::path& dir, const char* name, int32_t value) {
  std::string bytes = ts::read_file(dir / "TuneStrip.bcfg");
  std::memcpy(bytes.data() + bcfg::find(name)->offset, &value, 4);
  ts::write_file(dir / "TuneStrip.bcfg", bytes);
}
void poke_rect(const fs::path& dir, const char* name, std::array<uint16_t, 4> fields) {
  std::string bytes = ts::read_file(dir / "TuneStrip.bcfg");
  std::memcpy(bytes.data() + bcfg::find(name)->offset, fields.data(), 8);
  ts::write_file(dir / "TuneStrip.bcfg", bytes);
}

void png(const fs::path& file, int w, int h, uint8_t alpha) {
  std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, 0x80);
  for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = alpha;
  ASSERT_TRUE(host::write_png(file, w, h, rgba));
}

std::vector<skin::Finding> check(const fs::path& dir) {
  return skin::check_skin(dir, skin::choose_config(dir, {}));
}

std::string text(const std::vector<skin::Finding>& findings) {
  std::string out;
  for (const skin::Finding& f : findings) out += skin::format_finding(f) + "\n";
  return out;
}

struct Row {
  const char* what;
  std::function<void(const fs::path&)> breaks;
  std::string name;  // the finding expected (the configuration file's ends the path); "" none
  Severity severity;
  std::string says = {};  // a piece of its message, when that matters
};

// The built-in block's own findings: its long tags run under the cover.
const char* const kBuiltInFindings[] = {"X_ARTIST_POS", "X_TITLE_POS", "X_ALBUM_POS"};
bool built_in(const skin::Finding& f) {
  return f.severity == Severity::Warning && f.message.find("into the cover rcCover") != std::string::npos &&
         std::find(std::begin(kBuiltInFindings), std::end(kBuiltInFindings), f.name) !=
             std::end(kBuiltInFindings);
}

const std::vector<Row>& rows() {
  static const std::vector<Row> all = {
      {"a missing image", [](const fs::path& d) { fs::remove(d / "Key2.png"); }, "Key2.png",
       Severity::Error},
      {"a hidden button's missing image",
       [](const fs::path& d) {
         fs::remove(d / "Key5.png");
         set(d, {"FUNCTION_KEY_COUNT=4"});
       },
       "Key5.png", Severity::Warning},
      {"a lower-case name, found as the phone finds it",
       [](const fs::path& d) { fs::rename(d / "Key3_1_S.png", d / "key3_1_s.png"); }, "",
       Severity::Error},
      {"an undecodable image", [](const fs::path& d) { ts::write_file(d / "Fon.png", "GIF89a?"); },
       "Fon.png", Severity::Error, "not a PNG, JPEG, BMP or GIF picture the phone can decode"},
      {"a picture too large to decode", [](const fs::path& d) { png(d / "Fon.png", 5000, 1, 255); },
       "Fon.png", Severity::Error, "5000x1 pixels, more than 4096 a side, too large for the phone "
       "to decode, so nothing is drawn in rcFON's 240x80 box; draw it at 240x80"},
      {"a folder where an image should be",
       [](const fs::path& d) {
         fs::remove(d / "Key2.png");
         fs::create_directory(d / "key2.png");
       },
       "Key2.png", Severity::Error, "(found as key2.png) is a folder, not a picture"},
      {"a near miss by its extension",
       [](const fs::path& d) { fs::rename(d / "NoCover.png", d / "NoCover.jpg"); }, "NoCover.png",
       Severity::Error, "missing, but there is NoCover.jpg, so nothing is drawn in rcCover's 60x60 "
       "box; rename it to NoCover.png"},
      {"a near miss by a copy's name",
       [](const fs::path& d) { fs::rename(d / "Key1.png", d / "Key1 (copy).png"); }, "Key1.png",
       Severity::Error, "rename it to Key1.png"},
      {"a folder named as the configuration",
       [](const fs::path& d) {
         fs::remove(d / "TuneStrip.bcfg");
         fs::create_directory(d / "TuneStrip.bcfg");
       },
       "TuneStrip.bcfg", Severity::Error, "is a folder, not a file, so no configuration is taken"},
      {"an oversized image", [](const fs::path& d) { png(d / "Key2.png", 40, 40, 255); },
       "Key2.png", Severity::Warning},
      {"an opaque background over the frozen screen",
       [](const fs::path& d) { png(d / "Fon.png", 240, 80, 255); }, "Fon.png", Severity::Warning},
      {"a configuration file of the wrong size",
       [](const fs::path& d) { ts::write_file(d / "TuneStrip.bcfg", std::string(7123, '\0')); },
       "TuneStrip.bcfg", Severity::Error},
      {"an inside-out rectangle",
       [](const fs::path& d) { poke_rect(d, "rcCover", {231, 171, 241, 301}); }, "rcCover",
       Severity::Error},
      {"a rectangle off the screen",
       [](const fs::path& d) { poke_rect(d, "FUNCTION_KEY_RECT5", {230, 250, 300, 320}); },
       "FUNCTION_KEY_RECT5", Severity::Error},
      {"a label outside the panel", [](const fs::path& d) { set(d, {"IS_YEAR_EN=1"}); },
       "Y_YEAR_POS", Severity::Error},
      {"a label in a colour of alpha 0",
       [](const fs::path& d) { set(d, {"TITLE_NORAMAL_COLOR=0x00FFFFFF"}); }, "TITLE_NORAMAL_COLOR",
       Severity::Error},
      {"overlapping buttons",
       [](const fs::path& d) { set(d, {"FUNCTION_KEY_RECT2=150,170,300,320"}); },
       "FUNCTION_KEY_RECT2", Severity::Error},
      {"a count beyond the usable boxes",
       [](const fs::path& d) { set(d, {"FUNCTION_KEY_RECT4=0,0,0,0"}); }, "FUNCTION_KEY_COUNT",
       Severity::Error},
      {"an unknown font", [](const fs::path& d) { poke(d, "FONT_ARTIST", 1000); }, "FONT_ARTIST",
       Severity::Error},
      // Overlaps: a label's longest text in its font against what is drawn over it and beside it.
      {"a label over another label",
       [](const fs::path& d) { set(d, {"X_LENGHT_POS=20"}); }, "X_LENGHT_POS", Severity::Warning,
       "the LENGHT label at (20, 300) in font 18, with \"99:59\", overlaps the CURTIME label at "
       "(2, 300) by "},
      {"a label reaching into a button",
       [](const fs::path& d) { set(d, {"X_TRACKCOUNT_POS=125"}); }, "X_TRACKCOUNT_POS",
       Severity::Warning, "pixels into button 1 FUNCTION_KEY_RECT1 (138,158,300,320)"},
      {"a label over another label that is off",
       [](const fs::path& d) { set(d, {"X_LENGHT_POS=20", "IS_CURTIME_EN=0"}); }, "",
       Severity::Warning},
      {"a label reaching into a button that is off",
       [](const fs::path& d) { set(d, {"X_TRACKCOUNT_POS=125", "FUNCTION_KEY_ENABLED=0"}); }, "",
       Severity::Warning},
      {"a label starting at the screen's right edge",
       [](const fs::path& d) { set(d, {"X_TRACKCOUNT_POS=241"}); }, "X_TRACKCOUNT_POS",
       Severity::Error, "outside the panel"},
      {"the cover switched off under the long tags",
       [](const fs::path& d) { set(d, {"COVER_ENABLED=0"}); }, "", Severity::Warning},
      {"labels whose outlines touch, one text above the other",
       [](const fs::path& d) { set(d, {"Y_ALBUM_POS=268"}); }, "", Severity::Warning},
      {"HIDE_SPEED 0", [](const fs::path& d) { poke(d, "HIDE_SPEED", 0); }, "HIDE_SPEED",
       Severity::Error},
      {"a label placed past the points' bounds (label off)",
       [](const fs::path& d) { poke(d, "X_YEAR_POS", 2147483647); }, "X_YEAR_POS", Severity::Error},
      {"HIDE_SPEED 16", [](const fs::path& d) { poke(d, "HIDE_SPEED", 16); }, "HIDE_SPEED",
       Severity::Error},
  };
  return all;
}

TEST(SkinCheck, FindsEachBrokenThingUnderItsNameAndNothingElse) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.what);
    ts::TempDir tmp;
    make_skin(tmp.path());
    row.breaks(tmp.path());
    std::vector<skin::Finding> findings = check(tmp.path());
    std::erase_if(findings, built_in);
    if (row.name.empty()) {
      EXPECT_TRUE(findings.empty()) << text(findings);
      continue;
    }
    auto is_row = [&](const skin::Finding& f) {
      return f.name.ends_with(row.name) && f.message.find(row.says) != std::string::npos;
    };
    EXPECT_EQ(std::count_if(
                  findings.begin(), findings.end(),
                  [&](const skin::Finding& f) { return is_row(f) && f.severity == row.severity; }),
              1)
        << text(findings);
    for (const skin::Finding& f : findings)
      EXPECT_TRUE(f.severity != Severity::Error || is_row(f)) << text(findings);
    EXPECT_EQ(skin::has_errors(findings), row.severity == Severity::Error);
  }
}

// What `set` refuses, the check calls an error in the same words.
TEST(SkinCheck, SetRefusesTheChecksErrorsInItsWords) {
  ts::TempDir tmp;
  make_skin(tmp.path());
  const std::pair<const char*, const char*> refused[] = {
      {"FONT_TITLE", "1000"}, {"rcCover", "171,250,241,301"}, {"rcCover", "231,171,241,301"}};
  for (const auto& [name, value] : refused) {
    SCOPED_TRACE(name);
    bcfg::Image image = bcfg::read_file(tmp.path() / "TuneStrip.bcfg");
    std::string said;
    try {
      bcfg::assign(image, std::string(name) + "=" + value);
    } catch (const bcfg::Error& e) {
      said = e.what();
    }
    bcfg::set(image, name, value);
    bcfg::write_file(tmp.path() / "TuneStrip.bcfg", image);
    const std::vector<skin::Finding> findings = check(tmp.path());
    EXPECT_TRUE(std::any_of(findings.begin(), findings.end(), [&](const skin::Finding& f) {
      return f.severity == Severity::Error && f.name + ": " + f.message == said;
    })) << said << "\n" << text(findings);
    bcfg::write_default(tmp.path() / "TuneStrip.bcfg");
  }
}

TEST(SkinCheck, DefaultSkinWithTheBuiltInBlockHasOnlyItsLongTagsUnderTheCover) {
  std::vector<skin::Finding> findings = check(default_skin());
  EXPECT_EQ(std::count_if(findings.begin(), findings.end(), built_in), 3) << text(findings);
  std::erase_if(findings, built_in);
  EXPECT_EQ(text(findings), "");
  // The screen size is the caller's: a shorter screen cuts the default panel off.
  std::vector<skin::Finding> small =
      skin::check_skin(default_skin(), skin::choose_config(default_skin(), {}), 240, 300);
  EXPECT_TRUE(std::any_of(small.begin(), small.end(), [](const skin::Finding& f) {
    return f.name == "rcFON" && f.severity == Severity::Error;
  })) << text(small);
  EXPECT_EQ(
      skin::findings_json({{"a\"b", Severity::Error, "x\\y\n"}}),
      "[\n  {\"name\": \"a\\\"b\", \"severity\": \"error\", \"message\": \"x\\\\y\\n\"}\n]\n");
}

TEST(SkinCheck, ToolExitStatusAndJson) {
  ts::TempDir tmp;
  const fs::path dir = tmp.path() / "myskin";
  fs::create_directory(dir);
  make_skin(dir);
  auto run = [&](const std::string& args, std::string* out) {
    return ts::run_command((ts::bin_dir() / "tunestrip-skin").string() + " " + args + " 2>" +
                               (tmp.path() / "err.txt").string(),
                           out);
  };
  std::string out;
  EXPECT_EQ(run("check '" + dir.string() + "'", &out), 0);
  const std::string d = "'" + dir.string() + "'";
  // What it checked with, the findings by image then item, what the phone ignores, the count.
  set(dir, {"COVER_ENABLED=0"});
  ts::write_file(dir / "notes.txt", "");
  out.clear();
  EXPECT_EQ(run("check " + d, &out), 0);
  EXPECT_EQ(out, dir.string() + ": checked with " + (dir / "TuneStrip.bcfg").string() +
                     " (the skin's) for a 240x320 screen\n" + dir.string() +
                     ": the phone ignores notes.txt\n" + dir.string() + ": no findings\n");
  fs::remove(dir / "TuneStrip.bcfg");
  ts::write_file(dir / "Key4.png", "not a picture");
  out.clear();
  EXPECT_EQ(run("check --screen 240x300 " + d, &out), 1);
  EXPECT_EQ(out.substr(0, out.find('\n')),
            dir.string() + ": checked with the built-in block for a 240x300 screen");
  std::vector<std::string> names;
  for (size_t at = out.find('\n') + 1; out.find(": ", at) < out.find('\n', at);
       at = out.find('\n', at) + 1)
    if (out.compare(at, dir.string().size(), dir.string()) != 0)
      names.push_back(out.substr(at, out.find(':', at) - at));
  EXPECT_EQ(names, (std::vector<std::string>{"Key4.png", "X_ARTIST_POS", "X_TITLE_POS",
                                             "X_ALBUM_POS", "rcFON", "rcCover",
                                             "FUNCTION_KEY_RECT1", "FUNCTION_KEY_RECT2",
                                             "FUNCTION_KEY_RECT3", "FUNCTION_KEY_RECT4",
                                             "FUNCTION_KEY_RECT5"}))
      << out;
  EXPECT_NE(out.find("\n" + dir.string() + ": 8 errors, 3 warnings\n"), std::string::npos) << out;
  bcfg::write_default(dir / "TuneStrip.bcfg");
  fs::copy_file(default_skin() / "Key4.png", dir / "Key4.png", fs::copy_options::overwrite_existing);

  fs::remove(dir / "Key1.png");
  out.clear();
  EXPECT_EQ(run("check --json '" + dir.string() + "'", &out), 1);
  EXPECT_EQ(
      out.rfind("[\n  {\"name\": \"Key1.png\", \"severity\": \"error\", \"message\": \"missing", 0),
      0u)
      << out;
  out.clear();
  EXPECT_EQ(run("check '" + dir.string() + "' --config '" + (dir / "TuneStrip.bcfg").string() + "'",
                &out),
            1);
  EXPECT_NE(out.find("\nKey1.png: error: missing"), std::string::npos) << out;

  // Wrong usage exits with 2, a folder that is not there with 1.
  const std::pair<std::string, int> refused[] = {
      {"check", 2}, {"check --frob " + d, 2}, {"check " + d + " --config", 2}, {"chekc " + d, 2},
      {"check --screen 240 " + d, 2}, {"check " + d + " --screen", 2},
      {"check '" + (dir / "Fon.png").string() + "'", 1}, {"check '" + (dir / "no").string() + "'", 1}};
  for (const auto& [args, status] : refused) {
    out.clear();
    EXPECT_EQ(run(args, &out), status) << args;
    EXPECT_EQ(out, "") << args;
    EXPECT_EQ(ts::read_file(tmp.path() / "err.txt").rfind("tunestrip-skin: ", 0), 0u) << args;
  }
  EXPECT_EQ(ts::read_file(tmp.path() / "err.txt"),
            "tunestrip-skin: " + (dir / "no").string() + ": no such folder\n");
  EXPECT_EQ(run("--help", &out), 0);
}

}  // namespace
