// The skin check: the default skin broken one thing at a time, each fault found under its name
// with its severity and no error beside it; the default skin itself; tunestrip-skin as a process.
#include "skin/check.h"

#include <gtest/gtest.h>

#include <algorithm>
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
};

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
       "Fon.png", Severity::Error},
      {"an oversized image", [](const fs::path& d) { png(d / "Key2.png", 40, 40, 255); },
       "Key2.png", Severity::Warning},
      {"an opaque background over the frozen screen",
       [](const fs::path& d) { png(d / "Fon.png", 240, 80, 255); }, "Fon.png", Severity::Warning},
      {"a configuration file of the wrong size",
       [](const fs::path& d) { ts::write_file(d / "TuneStrip.bcfg", std::string(7123, '\0')); },
       "TuneStrip.bcfg", Severity::Error},
      {"an inside-out rectangle", [](const fs::path& d) { set(d, {"rcCover=231,171,241,301"}); },
       "rcCover", Severity::Error},
      {"a rectangle off the screen",
       [](const fs::path& d) { set(d, {"FUNCTION_KEY_RECT5=230,250,300,320"}); },
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
      {"an unknown font", [](const fs::path& d) { set(d, {"FONT_ARTIST=1000"}); }, "FONT_ARTIST",
       Severity::Error},
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
    if (row.name.empty()) {
      EXPECT_TRUE(findings.empty()) << text(findings);
      continue;
    }
    auto is_row = [&](const skin::Finding& f) { return f.name.ends_with(row.name); };
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

TEST(SkinCheck, DefaultSkinWithTheBuiltInBlockHasNoFindings) {
  EXPECT_EQ(text(check(default_skin())), "");
  // The screen size is the caller's: a shorter screen cuts the default panel off.
  std::vector<skin::Finding> small =
      skin::check_skin(default_skin(), skin::choose_config(default_skin(), {}), 240, 300);
  ASSERT_FALSE(small.empty());
  EXPECT_EQ(small[0].name, "rcFON");
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
  EXPECT_EQ(out, dir.string() + ": no findings\n");

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
  EXPECT_EQ(out.rfind("Key1.png: error: missing", 0), 0u) << out;

  // Wrong usage exits with 2, a folder that is not there with 1.
  const std::string d = "'" + dir.string() + "'";
  const std::pair<std::string, int> refused[] = {
      {"check", 2}, {"check --frob " + d, 2}, {"check " + d + " --config", 2}, {"chekc " + d, 2},
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
