// Drawing on the phone's screen: blending, rectangles, images, text and clipping, through the
// firmware services the add-on calls.
#include <gtest/gtest.h>

#include "core/service_table.h"
#include "core/text_store.h"
#include "gfx_test_util.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"

namespace {

using gfx_test::make_phone;
using gfx_test::near_rgb;
using gfx_test::picture;
namespace svc = host::svc;

class ScreenDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    phone = make_phone();
    screen().clear(0x000000);
  }
  host::Screen& screen() { return phone->screen(); }
  std::unique_ptr<host::Phone> phone;
};

TEST_F(ScreenDrawing, FillsBlendAndTransparentColoursDrawNothing) {
  screen().clear(0x0000FF);
  svc::fw_draw_rect(0, 0, 10, 10, 0x80FF0000, 0x80FF0000);
  // Half red over blue.
  EXPECT_TRUE(near_rgb(screen().pixel(5, 5), 0x80007F));
  EXPECT_TRUE(near_rgb(screen().pixel(0, 0), 0x80007F));  // the frame blends alike

  const auto before = gfx_test::pixels(screen());
  svc::fw_draw_rect(0, 0, 240, 320, 0x00FFFFFF, 0x00FFFFFF);  // alpha 0
  svc::fw_draw_rect(0, 0, 240, 320, 0, 0);                  // the fill of 0
  EXPECT_EQ(gfx_test::pixels(screen()), before);
}

TEST_F(ScreenDrawing, RectangleHasOnePixelFrameAndFillInside) {
  svc::fw_draw_rect(10, 20, 20, 30, 0xFFFFFF00, 0xFF00FF00);
  // The box is [10, 20) × [20, 30): its edge is the frame, the rest the fill.
  EXPECT_EQ(screen().pixel(10, 20), 0xFFFFFF00u);
  EXPECT_EQ(screen().pixel(19, 29), 0xFFFFFF00u);
  EXPECT_EQ(screen().pixel(15, 20), 0xFFFFFF00u);
  EXPECT_EQ(screen().pixel(10, 25), 0xFFFFFF00u);
  EXPECT_EQ(screen().pixel(11, 21), 0xFF00FF00u);
  EXPECT_EQ(screen().pixel(18, 28), 0xFF00FF00u);
  EXPECT_EQ(screen().pixel(20, 25), 0xFF000000u);  // right edge excluded
  EXPECT_EQ(screen().pixel(15, 30), 0xFF000000u);  // bottom edge excluded
  EXPECT_EQ(screen().pixel(9, 25), 0xFF000000u);

  // A frame over a fill of 0: the inside keeps what was there.
  svc::fw_draw_rect(50, 50, 60, 60, 0xFFFF0000, 0);
  EXPECT_EQ(screen().pixel(50, 55), 0xFFFF0000u);
  EXPECT_EQ(screen().pixel(55, 55), 0xFF000000u);

  // An empty or inverted box draws nothing; one partly off screen is clipped, not wrapped.
  const auto before = gfx_test::pixels(screen());
  svc::fw_draw_rect(100, 100, 100, 150, 0xFFFFFFFF, 0xFFFFFFFF);
  svc::fw_draw_rect(120, 100, 110, 150, 0xFFFFFFFF, 0xFFFFFFFF);
  EXPECT_EQ(gfx_test::pixels(screen()), before);
  svc::fw_draw_rect(-5, 310, 250, 340, 0xFFFFFFFF, 0xFF0000FF);
  EXPECT_EQ(screen().pixel(0, 315), 0xFF0000FFu);
  EXPECT_EQ(screen().pixel(239, 319), 0xFF0000FFu);
  EXPECT_EQ(screen().pixel(0, 310), 0xFFFFFFFFu);
}

TEST_F(ScreenDrawing, ImageIsScaledIntoItsBoxOrDrawnAtNaturalSize) {
  // 2 × 2 quadrants: red, green / blue, white.
  const uint32_t q[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  IMAGEID id = phone->images().add(picture(2, 2, [&](int x, int y) { return q[y * 2 + x]; }));
  svc::fw_draw_image(nullptr, 100, 100, 20, 40, id);
  EXPECT_EQ(screen().pixel(100, 100), 0xFFFF0000u);
  EXPECT_EQ(screen().pixel(109, 119), 0xFFFF0000u);
  EXPECT_EQ(screen().pixel(110, 119), 0xFF00FF00u);
  EXPECT_EQ(screen().pixel(109, 120), 0xFF0000FFu);
  EXPECT_EQ(screen().pixel(119, 139), 0xFFFFFFFFu);
  EXPECT_EQ(screen().pixel(120, 130), 0xFF000000u);
  EXPECT_EQ(screen().pixel(110, 140), 0xFF000000u);

  // Width and height 0: natural size.
  svc::fw_draw_image(nullptr, 0, 0, 0, 0, id);
  EXPECT_EQ(screen().pixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(screen().pixel(2, 2), 0xFF000000u);

  // Shrinking averages: a 4 × 4 checkerboard of black and white into 2 × 2 gives grey.
  IMAGEID checker = phone->images().add(
      picture(4, 4, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; }));
  svc::fw_draw_image(nullptr, 200, 0, 2, 2, checker);
  EXPECT_TRUE(near_rgb(screen().pixel(200, 0), 0x808080));

  // Transparent pixels leave the screen alone; translucent ones blend.
  screen().clear(0x0000FF);
  IMAGEID glass = phone->images().add(
      picture(2, 1, [](int x, int) { return x ? 0x80FF0000u : 0x00FFFFFFu; }));
  svc::fw_draw_image(nullptr, 0, 0, 0, 0, glass);
  EXPECT_EQ(screen().pixel(0, 0), 0xFF0000FFu);
  EXPECT_TRUE(near_rgb(screen().pixel(1, 0), 0x80007F));
}

TEST_F(ScreenDrawing, UnknownOrFreedImagesDrawNothing) {
  IMAGEID id = phone->images().add(picture(4, 4, [](int, int) { return 0xFFFFFFFFu; }));
  ASSERT_TRUE(phone->images().free(id));
  const auto before = gfx_test::pixels(screen());
  svc::fw_draw_image(nullptr, 0, 0, 0, 0, id);
  svc::fw_draw_image(nullptr, 0, 0, 10, 10, NOIMAGE);
  svc::fw_draw_image(nullptr, 0, 0, 10, 10, 0);
  EXPECT_EQ(gfx_test::pixels(screen()), before);
}

TEST_F(ScreenDrawing, ImagesObeyTheClipOfTheirGraphicsContext) {
  // The clip of a display object's context, set as the add-on sets it.
  struct Cls {
    static void constr(DISP_DESC* d) { svc::fw_disp_desc_set_size(d, sizeof(DISP_OBJ)); }
  };
  GUI storage{};
  ASSERT_EQ(phone->gui().create(&storage, nullptr, &Cls::constr, nullptr), &storage);
  GC* gc = svc::fw_get_gc(phone->gui().disp_obj(&storage));
  ASSERT_NE(gc, nullptr);
  RECT full;
  svc::fw_gc_get_clip(gc, &full);
  EXPECT_EQ(full.x2, 240);
  EXPECT_EQ(full.y2, 320);
  RECT clip{10, 20, 10, 20};  // x 10..20, y 10..20
  svc::fw_gc_set_clip(gc, &clip);

  IMAGEID id = phone->images().add(picture(1, 1, [](int, int) { return 0xFFFFFFFFu; }));
  svc::fw_draw_image(gc, 0, 0, 100, 100, id);
  EXPECT_EQ(screen().pixel(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(screen().pixel(19, 19), 0xFFFFFFFFu);
  EXPECT_EQ(screen().pixel(20, 19), 0xFF000000u);
  EXPECT_EQ(screen().pixel(9, 15), 0xFF000000u);
  EXPECT_EQ(screen().pixel(15, 20), 0xFF000000u);
  phone->gui().free(&storage);
}

// Where the text drew: the bounding box of changed pixels.
host::Box changed_box(const std::vector<uint32_t>& before, const host::Screen& s) {
  host::Box b{s.width(), s.height(), 0, 0};
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) != before[size_t(y) * size_t(s.width()) + size_t(x)]) {
        b.x1 = std::min(b.x1, x);
        b.y1 = std::min(b.y1, y);
        b.x2 = std::max(b.x2, x + 1);
        b.y2 = std::max(b.y2, y + 1);
      }
  return b;
}

// A display class whose redraw clips its context to x 30..60 and draws `text` in a wider box.
struct ClipText {
  static inline TEXTID text = EMPTY_TEXT;
  static void constr(DISP_DESC* d) {
    svc::fw_disp_desc_set_on_redraw(d, [](DISP_OBJ* obj, int, int, int) {
      GC* gc = svc::fw_get_gc(obj);
      RECT clip{30, 60, 0, 320};
      svc::fw_gc_set_clip(gc, &clip);
      svc::fw_draw_text(text, 0, 10, 50, 120, 100, 60, 5, 0xFFFFFFFF, 0);
    });
  }
};

TEST_F(ScreenDrawing, TextIsDrawnFromTheTopLeftOfItsBoxAndOnlyInsideIt) {
  TEXTID t = phone->texts().create(u"Привет, Jäger — WWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  svc::fw_set_font(18);
  auto before = gfx_test::pixels(screen());
  svc::fw_draw_text(t, 0, 10, 50, 120, 65, 60, 5, 0xFFFFFFFF, 0);
  host::Box b = changed_box(before, screen());
  ASSERT_FALSE(b.empty());
  EXPECT_GE(b.x1, 10);
  EXPECT_LE(b.x1, 12);  // starts at the left edge
  EXPECT_GE(b.y1, 50);
  EXPECT_LE(b.y1, 54);  // capitals start near the top
  EXPECT_LE(b.x2, 120);
  EXPECT_GE(b.x2, 115);  // the long text reaches the right edge and is cut there
  EXPECT_LE(b.y2, 65);

  // The clip of the context in use cuts it further: a redraw's context stands for it.
  screen().clear(0);
  before = gfx_test::pixels(screen());
  ClipText::text = t;
  GUI storage{};
  ASSERT_TRUE(phone->gui().create(&storage, nullptr, &ClipText::constr, nullptr));
  phone->gui().set_backdrop(phone->gui().disp_obj(&storage), 0);
  phone->gui().show(&storage);
  phone->gui().compose();
  // Only the difference from the screen beneath counts: compare with a frame without the text.
  ClipText::text = EMPTY_TEXT;  // draws nothing
  phone->gui().compose();
  before = gfx_test::pixels(screen());
  ClipText::text = t;
  phone->gui().compose();
  b = changed_box(before, screen());
  ASSERT_FALSE(b.empty());
  EXPECT_GE(b.x1, 30);
  EXPECT_LE(b.x2, 60);
  EXPECT_GE(b.y1, 50);
  phone->gui().free(&storage);
}

TEST_F(ScreenDrawing, EmptyAndUnknownTextHandlesDrawNothingAndColourAlphaCounts) {
  TEXTID t = phone->texts().create(u"Hello");
  const auto before = gfx_test::pixels(screen());
  svc::fw_draw_text(EMPTY_TEXT, 0, 0, 0, 240, 100, 60, 5, 0xFFFFFFFF, 0);
  svc::fw_draw_text(0x12345, 0, 0, 0, 240, 100, 60, 5, 0xFFFFFFFF, 0);
  svc::fw_draw_text(t, 0, 0, 0, 240, 100, 60, 5, 0x00FFFFFF, 0);
  EXPECT_EQ(gfx_test::pixels(screen()), before);
  svc::fw_draw_text(t, 0, 0, 0, 240, 100, 60, 5, 0xFFFFFFFF, 0);
  EXPECT_NE(gfx_test::pixels(screen()), before);
}

TEST(Fonts, TableGivesThePanelFontsTheirSizes) {
  EXPECT_EQ(host::Fonts::style(18).pixel_size, 11);
  EXPECT_FALSE(host::Fonts::style(18).bold);
  EXPECT_EQ(host::Fonts::style(25).pixel_size, 14);
  EXPECT_TRUE(host::Fonts::style(25).bold);
  EXPECT_EQ(host::Fonts::style(0x2014).pixel_size, 16);
  EXPECT_EQ(host::Fonts::style(-7).pixel_size, host::Fonts::DEFAULT_PIXEL_SIZE);
  auto phone = make_phone();
  // A label line fits a 15-pixel row.
  host::FontMetrics m = phone->fonts().metrics(18);
  EXPECT_LE(m.ascent + m.descent, 15);
  // fw_set_font gives back the font that was current.
  EXPECT_EQ(host::svc::fw_set_font(18), 0x2014);
  EXPECT_EQ(host::svc::fw_set_font(25), 18);
  // Cyrillic has real glyphs: wider than nothing, and not the missing-glyph box's width for all.
  EXPECT_GT(phone->fonts().text_width(u"Ж", 18), phone->fonts().text_width(u"і", 18));
}

}  // namespace
