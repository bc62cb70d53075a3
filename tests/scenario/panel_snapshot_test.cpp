// Whole runs of the panel: the frozen screen picture behind the panel, in either pixel byte order.
#include "panel_fixture.h"

namespace panel_scenario {
namespace {

// ---- The snapshot ---------------------------------------------------------------------------

std::vector<uint8_t> g_snapshot;
host::service::fw_image_from_buffer::entry g_from_buffer = nullptr;
int KeepSnapshot(void* buf, int size, int reserved, const char16_t* type, IMAGEID* id) {
  g_snapshot.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + size);
  return g_from_buffer(buf, size, reserved, type, id);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST_F(PanelScenario, SnapshotConvertsThePixelsOfEitherFamily) {
  for (uint32_t id : {0x9900u, 0x8000u}) {
    SCOPED_TRACE(id);
    host::Options o;
    o.platform_id = id;
    Start({}, {10}, true, o);
    g_snapshot.clear();
    g_from_buffer = phone().services().replace<host::service::fw_image_from_buffer>(&KeepSnapshot);
    host::Screen& screen = phone().screen();
    const int w = screen.width(), h = screen.height();
    // The top-left pixel holds the bytes 1F 00, a pixel of the bottom row is white.
    uint8_t* px = phone().arena().at(screen.pixel_addr(), uint32_t(w * h * 2));
    px[0] = 0x1F;
    px[1] = 0x00;
    px[(h - 1) * w * 2 + 2] = 0xFF;
    px[(h - 1) * w * 2 + 3] = 0xFF;
    Press(kHotKey);
    ASSERT_EQ(g_snapshot.size(), 230454u);
    EXPECT_EQ(g_snapshot[0], 'B');
    EXPECT_EQ(g_snapshot[1], 'M');
    EXPECT_EQ(Le32(g_snapshot, 2), 230454u);
    EXPECT_EQ(Le32(g_snapshot, 10), 54u);
    EXPECT_EQ(Le32(g_snapshot, 18), 240u);
    EXPECT_EQ(Le32(g_snapshot, 22), 320u);
    EXPECT_EQ(Le32(g_snapshot, 34), 230400u);
    // The bottom row comes first.
    EXPECT_EQ(std::vector<uint8_t>(g_snapshot.begin() + 57, g_snapshot.begin() + 60),
              (std::vector<uint8_t>{0xF8, 0xFC, 0xF8}));
    const size_t top = 54 + size_t(h - 1) * size_t(w) * 3;
    std::vector<uint8_t> blue(g_snapshot.begin() + long(top), g_snapshot.begin() + long(top) + 3);
    if (id == 0x9900u)
      EXPECT_EQ(blue, (std::vector<uint8_t>{0xF8, 0x00, 0x00}));
    else
      EXPECT_EQ(blue, (std::vector<uint8_t>{0x00, 0xE0, 0x18}));
    // The snapshot is drawn unmoved, under everything else.
    Run(2000);
    auto images = Only(LastFrame(), "fw_draw_image(");
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(images[0].substr(0, 29), "fw_draw_image(ptr, 0, 0, 0, 0");
    TerminateAndCheck();
  }
}

TEST_F(PanelScenario, SnapshotRowsArePaddedForAnyWidth) {
  host::Options o;
  o.screen_w = 238;
  o.screen_h = 100;
  Start({"rcFON=0,238,60,100"}, {10}, true, o);
  g_snapshot.clear();
  g_from_buffer = phone().services().replace<host::service::fw_image_from_buffer>(&KeepSnapshot);
  Press(kHotKey);
  const uint32_t row = 716;  // 238 * 3 = 714, padded to 716
  ASSERT_EQ(g_snapshot.size(), 54u + row * 100u);
  EXPECT_EQ(Le32(g_snapshot, 2), 54u + row * 100u);
  EXPECT_EQ(Le32(g_snapshot, 34), row * 100u);
  EXPECT_EQ(g_snapshot[54 + 714], 0);
  EXPECT_EQ(g_snapshot[54 + 715], 0);
  // The phone takes it as a picture of the screen's size.
  Run(2000);
  auto images = Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ");
  ASSERT_EQ(images.size(), 1u);
  const host::Image* im = phone().images().get(IMAGEID(std::stoi(Args(images[0]).at(5))));
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(im->width, 238);
  EXPECT_EQ(im->height, 100);
}

TEST_F(PanelScenario, NoSnapshotWithoutAWayToThePixels) {
  // Family 7 has no screen reference; a family-9 chain that leads nowhere gives none either.
  host::Options o;
  o.platform_id = 0x7100;
  Start({}, {10}, true, o);
  size_t images = phone().images().live();
  Press(kHotKey);
  Run(2000);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(phone().images().live(), images);
  EXPECT_TRUE(Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ").empty());
  TerminateAndCheck();

  Start();
  // Every layer record points to the next one in a ring and none is the screen's.
  host::Arena& a = phone().arena();
  FwAddr first = a.read32(phone().screen().ref_family9());
  FwAddr rec = first;
  for (int i = 0; i < 8 && rec; ++i) {
    a.write32(rec + 28, 0);
    a.write32(rec + 72, 0);
    FwAddr next = a.read32(rec + 32);
    if (next == 0) a.write32(rec + 32, first);
    rec = next;
  }
  images = phone().images().live();
  Press(kHotKey);
  Run(2000);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(phone().images().live(), images);
  TerminateAndCheck();

  // The screen's layer names no pixel memory, or memory beyond the end of firmware memory: the PC
  // build checks every firmware address, the phone's reads them as they are.
  TS_NATIVE_ONLY("the phone's ELF reads firmware memory unchecked, as on the phone");
  for (uint32_t pixels : {0u, 0xFFFFFF00u}) {
    SCOPED_TRACE(pixels);
    Start();
    host::Arena& arena = phone().arena();
    FwAddr layer = arena.read32(phone().screen().ref_family9());
    while (layer && arena.read32(layer + 28) != 1 && arena.read32(layer + 72) == 0)
      layer = arena.read32(layer + 32);
    ASSERT_NE(layer, 0u);
    arena.write32(layer + 16, pixels);
    ClearTrace();
    Press(kHotKey);
    Run(2000);
    EXPECT_TRUE(PanelShown());
    EXPECT_EQ(Trace("fw_image_from_buffer(").size(), 0u);
    Press(kHotKey);
    Run(1000);
    EXPECT_FALSE(PanelShown());
    // Nothing was made, so nothing is released.
    EXPECT_EQ(Trace("fw_image_free(").size(), 0u);
    TerminateAndCheck();
  }
}

TEST_F(PanelScenario, WithoutTheFrozenBackdropNoSnapshotIsTakenDrawnOrReleased) {
  Start({"FON_FROM_BUFFER_ENABLED=0"});
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_disp_set_backdrop(").size(), 1u);
  EXPECT_EQ(Trace("fw_image_from_buffer(").size(), 0u);
  EXPECT_TRUE(Only(LastFrame(), "fw_draw_image(ptr, 0, 0, 0, 0, ").empty());
  Press(kHotKey);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Trace("fw_image_free(").size(), 0u);
  TerminateAndCheck();

  // With it on, the backdrop call is not made and the snapshot is released with the panel.
  Start();
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_disp_set_backdrop(").size(), 0u);
  ASSERT_EQ(Trace("fw_image_from_buffer(").size(), 1u);
  Press(kHotKey);
  Run(1000);
  EXPECT_EQ(Trace("fw_image_free(").size(), 1u);
}

}  // namespace
}  // namespace panel_scenario
