// tunestrip-skin new and sheet as processes: `new` writes the bundled skin byte for byte (the
// default skin and the icons are what the drawing code draws), and the checker finds nothing in
// it; each tile of a sheet is the screen that a scripted tunestrip-sim run of its case shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "images/image_decode.h"
#include "skin/default_skin.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(SkinNew, WritesTheBundledSkinWhichTheCheckerPasses) {
  ts::TempDir tmp;
  const fs::path dir = tmp.path() / "myskin";
  std::string out;
  ASSERT_EQ(ts::run_command(quoted(ts::bin_dir() / "tunestrip-skin") + " new " + quoted(dir), &out), 0)
      << out;
  const fs::path bundled = ts::source_dir() / "skin" / "default";
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    ++files;
    EXPECT_EQ(ts::read_file(e.path()), ts::read_file(bundled / e.path().filename()))
        << e.path().filename() << " differs from skin/default's";
  }
  EXPECT_EQ(files, 15u);  // 14 images and TuneStrip.bcfg
  out.clear();
  ASSERT_EQ(ts::run_command(quoted(ts::bin_dir() / "tunestrip-skin") + " check " + quoted(dir), &out), 0);
  // No error; the three warnings are the default layout's long tags under the cover.
  EXPECT_EQ(out.find("error"), std::string::npos) << out;
  EXPECT_TRUE(out.ends_with(dir.string() + ": 3 warnings\n")) << out;
  // A folder that holds something is left alone.
  EXPECT_EQ(ts::run_command(quoted(ts::bin_dir() / "tunestrip-skin") + " new " + quoted(dir) +
                            " 2>" + quoted(tmp.path() / "err")),
            1);
  EXPECT_EQ(ts::read_file(tmp.path() / "err"),
            "tunestrip-skin: " + dir.string() + ": the folder is not empty; give a new or an empty one\n");
}

// The application's icons are the drawing code's too; TS_GOLDEN_UPDATE=1 draws them anew.
TEST(SkinNew, IconsAreWhatTheSkinsDrawingDraws) {
  ts::TempDir tmp;
  const bool update = std::getenv("TS_GOLDEN_UPDATE") != nullptr;
  for (int size : skin::icon_sizes()) {
    const fs::path committed = ts::source_dir() / "packaging" / "icons" / skin::icon_file_name(size);
    const fs::path drawn = update ? committed : tmp.path() / skin::icon_file_name(size);
    ASSERT_TRUE(skin::application_icon(size).save(drawn));
    EXPECT_EQ(ts::read_file(drawn), ts::read_file(committed)) << committed;
  }
}

TEST(SkinSheet, EachTileIsTheShotOfItsCaseRunByTheSimulator) {
  ts::TempDir tmp;
  const fs::path sheet = tmp.path() / "sheet.png", cases = tmp.path() / "cases";
  const fs::path skin = ts::source_dir() / "skin" / "default";
  std::string out;
  ASSERT_EQ(ts::run_command(quoted(ts::bin_dir() / "tunestrip-skin") + " sheet " + quoted(skin) +
                                " -o " + quoted(sheet) + " --cases " + quoted(cases),
                            &out),
            0);
  EXPECT_EQ(out, sheet.string() + ": 16 tiles\n");
  const auto picture = host::decode_image_file(sheet);
  ASSERT_TRUE(picture);

  std::ifstream tiles(cases / "tiles.txt");
  std::string word;
  int sx1, sy1, sx2, sy2;
  tiles >> word >> sx1 >> sy1 >> sx2 >> sy2;
  ASSERT_EQ(word, "screen");
  EXPECT_EQ(sx1, 0);  // the default panel: rcFON 0,240,240,320
  EXPECT_EQ(sy1, 240);
  int count = 0;
  std::string name, music, label;
  int x, y, w, h;
  while (tiles >> name >> x >> y >> w >> h >> music && std::getline(tiles, label)) {
    ++count;
    SCOPED_TRACE(name + ":" + label);
    const fs::path shots = tmp.path() / "shots";
    ASSERT_EQ(ts::run_command(quoted(ts::bin_dir() / "tunestrip-sim") + " -q --skin " + quoted(skin) +
                              " --music " + quoted(cases / music) + " --script " +
                              quoted(cases / (name + ".txt")) + " --out " + quoted(shots)),
              0);
    const auto shot = host::decode_image_file(shots / (name + ".png"));
    ASSERT_TRUE(shot);
    ASSERT_EQ(w, sx2 - sx1);
    ASSERT_EQ(h, sy2 - sy1);
    int differ = 0;
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i)
        differ += picture->argb(x + i, y + j) != shot->argb(sx1 + i, sy1 + j);
    EXPECT_EQ(differ, 0);
  }
  EXPECT_EQ(count, 16);
}

}  // namespace
