// Whole runs of the panel compared pixel for pixel with pictures kept in tests/golden/: the
// phone's drawing may get faster, but what it draws stays exactly the same.
//
// TS_GOLDEN_UPDATE=1 in the environment writes the pictures anew instead of comparing (look at
// them before committing them).
#include <cstdlib>

#include "panel_fixture.h"

namespace panel_scenario {
namespace {

fs::path GoldenFile(const std::string& name) {
  return ts::source_dir() / "tests" / "golden" / (name + ".png");
}

struct GoldenCase {
  const char* name;
  std::vector<std::string> settings;
  // After the add-on has started: what brings the screen to the picture.
  void (*steps)(PanelScenario& s);
};

class PanelGolden : public PanelScenario {
 public:
  void Hot() { Press(kHotKey); }
  void Key(int key) { Press(key); }
  void Wait(int64_t ms) { Run(ms); }

  void ExpectScreenIs(const std::string& name) {
    const host::Screen& screen = phone().screen();
    const fs::path file = GoldenFile(name);
    if (const char* u = std::getenv("TS_GOLDEN_UPDATE"); u && std::string(u) == "1") {
      fs::create_directories(file.parent_path());
      ASSERT_TRUE(screen.save_png(file)) << file;
      return;
    }
    auto want = host::decode_image_file(file);
    ASSERT_TRUE(want.has_value()) << file << " is missing: run with TS_GOLDEN_UPDATE=1";
    ASSERT_EQ(want->width, screen.width());
    ASSERT_EQ(want->height, screen.height());
    const std::vector<uint8_t> got = screen.rgba();
    ASSERT_EQ(got.size(), want->rgba.size());
    size_t differ = 0, first = got.size();
    for (size_t i = 0; i < got.size(); i += 4)
      if (std::memcmp(&got[i], &want->rgba[i], 4) != 0 && differ++ == 0) first = i / 4;
    EXPECT_EQ(differ, 0u) << name << ": first differing pixel at x " << first % size_t(screen.width())
                          << ", y " << first / size_t(screen.width());
  }
};

const GoldenCase kCases[] = {
    {"panel_shown", {}, [](PanelScenario& s) {
       auto& g = static_cast<PanelGolden&>(s);
       g.Hot();
       g.Wait(2000);
     }},
    // Three slide steps in: the panel half over the player's screen.
    {"panel_mid_slide", {}, [](PanelScenario& s) {
       auto& g = static_cast<PanelGolden&>(s);
       g.Hot();
       g.Wait(200);
     }},
    // The progress bar a few seconds in, and the second button selected over its frame.
    {"panel_bar_selected",
     {"IS_PROGBAR_EN=1", "rcBAR=2,134,315,318", "PROGBAR_NORAMAL_COLOR=0x60FFFFFF",
      "PROGBAR_BORDER_COLOR=0xFF3AA0FF"},
     [](PanelScenario& s) {
       auto& g = static_cast<PanelGolden&>(s);
       g.Hot();
       g.Wait(4000);
       g.Key(codes::KEY_RIGHT);
     }},
    // A filled and framed background instead of the picture.
    {"panel_rect_background", {"DRAW_FROM_IMAGE=0"}, [](PanelScenario& s) {
       auto& g = static_cast<PanelGolden&>(s);
       g.Hot();
       g.Wait(2000);
     }},
};

TEST_F(PanelGolden, FramesMatchTheirPictures) {
  for (const GoldenCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Start(c.settings);
    c.steps(*this);
    ExpectScreenIs(c.name);
    TerminateAndCheck();
  }
}

}  // namespace
}  // namespace panel_scenario
