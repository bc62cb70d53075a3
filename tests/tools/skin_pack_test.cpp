// Packed skins and the comparison of two skins, each a whole run of the tools as processes:
// tunestrip-skin pack writes the phone's folders and nothing else, the archive checks and
// previews exactly as its folder does (its temporary folder gone after the run), and
// tunestrip-skin diff names what changed and marks it in its picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "images/image_decode.h"
#include "images/picture_output.h"
#include "skin_zip.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultSkin = ts::source_dir() / "skin" / "default";

// Runs a tool in `dir` with TMPDIR there too; its standard output in `out`, standard error in
// dir/err.txt.
int tool(const fs::path& dir, const std::string& args, std::string* out = nullptr) {
  return ts::run_command("cd '" + dir.string() + "' && TMPDIR='" + (dir / "tmp").string() + "' " +
                             (ts::bin_dir() / args).string() + " 2>err.txt",
                         out);
}

// A copy of the default skin with its configuration, in dir/name.
fs::path copy_skin(const fs::path& dir, const std::string& name) {
  const fs::path to = dir / name;
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(kDefaultSkin))
    if (e.path().extension() == ".png" || e.path().extension() == ".bcfg")
      fs::copy_file(e.path(), to / e.path().filename());
  return to;
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> out;
  if (fs::exists(dir))
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  return out;
}

constexpr const char* kShowPanel =
    "player start\naddon start\nwait 500\nkey hot\nwait 1500\nshot panel.png\n";

TEST(SkinPack, ArchiveHoldsThePhoneFoldersAndRunsAsItsFolder) {
  ts::TempDir tmp;
  const fs::path& d = tmp.path();
  fs::create_directory(d / "tmp");
  const fs::path skin = copy_skin(d, "myskin");
  ts::write_file(skin / "sketch.txt", "the author's notes stay out");

  std::string out;
  ASSERT_EQ(tool(d, "tunestrip-skin pack myskin -o my.zip", &out), 0) << ts::read_file(d / "err.txt");
  // The default layout's three warnings (its long tags under the cover) come first.
  EXPECT_TRUE(out.ends_with("\nmy.zip: 14 images and the configuration, in the phone's folders\n"))
      << out;
  // Nothing beside the archive: no temporary file stays.
  const std::vector<std::string> files = names_in(d);
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()),
            (std::set<std::string>{"myskin", "my.zip", "tmp", "err.txt"}));

  // The images in the phone's image folder, the configuration in its configuration folder,
  // byte for byte, as plain files.
  const std::vector<ts::ZipEntry> entries = ts::read_zip(d / "my.zip");
  ASSERT_EQ(entries.size(), 15u);
  for (const ts::ZipEntry& e : entries) {
    SCOPED_TRACE(e.name);
    const std::string prefix = "other/ZBin/Config/";
    ASSERT_EQ(e.name.rfind(prefix, 0), 0u);
    const std::string rest = e.name.substr(prefix.size());
    const fs::path source =
        rest == "TuneStrip.bcfg" ? skin / rest : skin / rest.substr(std::string("TuneStrip/").size());
    EXPECT_TRUE(rest == "TuneStrip.bcfg" || rest.rfind("TuneStrip/", 0) == 0);
    EXPECT_EQ(e.bytes, ts::read_file(source));
    EXPECT_EQ(e.mode & S_IFMT, unsigned(S_IFREG));
  }

  // Checked and previewed as the folder is: the same findings, the same screen.
  out.clear();
  EXPECT_EQ(tool(d, "tunestrip-skin check my.zip", &out), 0);
  EXPECT_TRUE(out.ends_with("\nmy.zip: 3 warnings\n")) << out;
  ts::write_file(d / "s.txt", kShowPanel);
  for (const std::string from : {"myskin", "my.zip"})
    EXPECT_EQ(tool(d, "tunestrip-sim -q --skin " + from + " --script s.txt --out " + from + ".out"),
              0)
        << from << ": " << ts::read_file(d / "err.txt");
  const std::string shot = ts::read_file(d / "my.zip.out" / "panel.png");
  EXPECT_FALSE(shot.empty());
  EXPECT_EQ(shot, ts::read_file(d / "myskin.out" / "panel.png"));
  // The unpacked folders went with the runs.
  EXPECT_TRUE(names_in(d / "tmp").empty());
}

TEST(SkinDiff, NamesEachChangeAndMarksTheChangedPixels) {
  ts::TempDir tmp;
  const fs::path& d = tmp.path();
  fs::create_directory(d / "tmp");
  // B: the default skin with a yellow title and another first button (selected as the panel
  // shows), packed.
  const fs::path b = copy_skin(d, "b");
  bcfg::set_values(b / "TuneStrip.bcfg", {"TITLE_NORAMAL_COLOR=0xFFFFD040"});
  ASSERT_TRUE(host::write_png(b / "Key1_S.png", 20, 20, std::vector<uint8_t>(20 * 20 * 4, 0xFF)));
  ASSERT_EQ(tool(d, "tunestrip-skin pack b -o b.zip"), 0) << ts::read_file(d / "err.txt");
  const std::string a = "'" + kDefaultSkin.string() + "'";

  std::string out;
  EXPECT_EQ(tool(d, "tunestrip-skin diff " + a + " b.zip -o d.png", &out), 1)
      << ts::read_file(d / "err.txt");
  EXPECT_EQ(out,
            "TITLE_NORAMAL_COLOR (Tags: Title: Text colour): 0xFFFFFFFF -> 0xFFFFD040\n"
            "Key1_S.png: 400 of 400 pixels differ\n");
  EXPECT_NE(ts::read_file(d / "err.txt").find("tunestrip-skin: d.png: "), std::string::npos);

  // The two screens side by side: the player's screen above the panel is the same on both, the
  // changes are tinted on both, and a frame surrounds them.
  const std::optional<host::Image> pic = host::decode_image_file(d / "d.png");
  ASSERT_TRUE(pic);
  ASSERT_EQ(pic->width, 240 + 8 + 240);
  ASSERT_EQ(pic->height, 320);
  for (int y = 0; y < 230; y += 3)
    for (int x = 0; x < 240; x += 3) ASSERT_EQ(pic->argb(x, y), pic->argb(x + 248, y)) << x << "," << y;
  const uint32_t left = pic->argb(148, 310), right = pic->argb(248 + 148, 310);  // in Key1's box
  EXPECT_NE(left, right);
  EXPECT_EQ(right, 0xFFFF7FFFu);  // white, half tinted with magenta
  size_t frame = 0;
  for (int x = 0; x < pic->width; ++x)
    for (int y = 0; y < pic->height; ++y) frame += pic->argb(x, y) == 0xFFFF00FFu;
  EXPECT_GT(frame, 100u);

  // The same: nothing said, status 0; a lone configuration compares its items only; a side that
  // cannot be read is trouble, status 2.
  out.clear();
  EXPECT_EQ(tool(d, "tunestrip-skin diff b.zip b", &out), 0);
  EXPECT_EQ(out, "");
  out.clear();
  EXPECT_EQ(tool(d, "tunestrip-skin diff " + a + "/TuneStrip.bcfg b.zip", &out), 1);
  EXPECT_EQ(out, "TITLE_NORAMAL_COLOR (Tags: Title: Text colour): 0xFFFFFFFF -> 0xFFFFD040\n");
  EXPECT_EQ(tool(d, "tunestrip-skin diff gone b.zip"), 2);
  EXPECT_EQ(ts::read_file(d / "err.txt"), "tunestrip-skin: gone: no such file or folder\n");
  EXPECT_TRUE(names_in(d / "tmp").empty());
}

}  // namespace
