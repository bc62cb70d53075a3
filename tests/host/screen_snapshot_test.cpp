// The screen's pixel memory as the add-on's snapshot finds and reads it on both platform families,
// and the screen as pictures (PNG, animated GIF).
#include <gtest/gtest.h>
#include <gif_lib.h>

#include <filesystem>
#include <random>

#include "core/arena.h"
#include "core/event_queue.h"
#include "core/service_table.h"
#include "gfx_test_util.h"
#include "images/picture_output.h"
#include "screen/gui_manager.h"

namespace {

using gfx_test::make_phone;
namespace fs = std::filesystem;

// Calls a screen reference through the service table, as the add-on's wrapper does.
template <typename S>
FwAddr call_ref(host::Phone& p) {
  return p.services().entry<S>()();
}

// Walks to the pixel memory exactly as the snapshot does.
FwAddr find_pixels(host::Phone& p) {
  host::Arena& a = p.arena();
  int family = int(p.options().platform_id >> 12);
  if (family == 8) {
    FwAddr record = a.read32(call_ref<host::service::fw_screen_ref_family8>(p));
    return a.read32(record);
  }
  if (family == 9) {
    FwAddr layer = a.read32(call_ref<host::service::fw_screen_ref_family9>(p));
    for (int guard = 0; layer && guard < 100; ++guard) {
      if (a.read32(layer + 28) == 1 || a.read32(layer + 72) != 0) return a.read32(layer + 16);
      layer = a.read32(layer + 32);
    }
  }
  return 0;
}

// The pixel at (x, y) read from memory in the family's byte order, as the snapshot reads it.
uint16_t read_pixel(host::Phone& p, FwAddr pixels, int x, int y) {
  const uint8_t* b = p.arena().at(pixels + uint32_t(y * p.screen().width() + x) * 2, 2);
  return (p.options().platform_id >> 12) == 8 ? uint16_t(b[0] << 8 | b[1])
                                              : uint16_t(b[1] << 8 | b[0]);
}

TEST(ScreenSnapshot, Family9WalkReachesThePixelsLowByteFirst) {
  auto phone = make_phone(0x9900);
  host::Screen& s = phone->screen();
  FwAddr pixels = find_pixels(*phone);
  ASSERT_EQ(pixels, s.pixel_addr());
  // The chain has a record before the screen's, so the walk is exercised.
  FwAddr first = phone->arena().read32(s.ref_family9());
  EXPECT_NE(phone->arena().read32(first + 16), pixels);
  EXPECT_NE(phone->arena().read32(first + 32), 0u);

  s.put565(0, 0, 0x001F);  // pure blue
  const uint8_t* b = phone->arena().at(pixels, 2);
  EXPECT_EQ(b[0], 0x1F);
  EXPECT_EQ(b[1], 0x00);
  host::svc::fw_draw_rect(239, 319, 240, 320, 0xFFFFFFFF, 0xFFFFFFFF);
  EXPECT_EQ(read_pixel(*phone, pixels, 239, 319), 0xFFFF);
}

TEST(ScreenSnapshot, Family8ReferenceReachesThePixelsHighByteFirst) {
  for (uint32_t id : {0x8000u, 0x8040u}) {
    auto phone = make_phone(id);
    host::Screen& s = phone->screen();
    EXPECT_EQ(s.family(), 8);
    FwAddr pixels = find_pixels(*phone);
    ASSERT_EQ(pixels, s.pixel_addr());
    s.put565(0, 0, 0x1F00);
    const uint8_t* b = phone->arena().at(pixels, 2);
    EXPECT_EQ(b[0], 0x1F);
    EXPECT_EQ(b[1], 0x00);
    s.clear(0);
    host::svc::fw_draw_rect(1, 0, 2, 1, 0xFF0000FF, 0xFF0000FF);  // pure blue
    EXPECT_EQ(read_pixel(*phone, pixels, 1, 0), 0x001F);
    EXPECT_EQ(phone->arena().at(pixels + 2, 2)[1], 0x1F);
  }
}

TEST(ScreenSnapshot, PixelMemoryHoldsTheComposedFrame) {
  auto phone = make_phone(0x9900, 176, 220);
  phone->gui().refresh_screen();  // the idle screen, composed at once with no GUI object shown
  FwAddr pixels = find_pixels(*phone);
  host::Screen& s = phone->screen();
  bool drawn = false;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      ASSERT_EQ(read_pixel(*phone, pixels, x, y), s.get565(x, y));
      drawn |= s.get565(x, y) != 0;
    }
  EXPECT_TRUE(drawn);
  EXPECT_EQ(phone->gui().frames(), 1u);
}

TEST(ScreenSnapshot, KnowsWhichScreenSizesItCanMake) {
  EXPECT_TRUE(host::Screen::valid_size(240, 320));
  EXPECT_TRUE(host::Screen::valid_size(1, 4096));
  EXPECT_FALSE(host::Screen::valid_size(0, 320));
  EXPECT_FALSE(host::Screen::valid_size(240, -1));
  EXPECT_FALSE(host::Screen::valid_size(240, 100000));
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("tunestrip-gfx-" + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

TEST(PictureOutput, PngOfTheScreenReadsBackPixelForPixel) {
  TempFolder dir;
  auto phone = make_phone();
  phone->gui().refresh_screen();
  host::svc::fw_draw_rect(5, 5, 50, 50, 0xFFFFFF00, 0x80FF00FF);
  ASSERT_TRUE(phone->screen().save_png(dir / "screen.png"));
  auto back = host::decode_image_file(dir / "screen.png");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 240);
  EXPECT_EQ(back->height, 320);
  EXPECT_EQ(back->rgba, phone->screen().rgba());
  EXPECT_FALSE(host::write_png(dir / "no-such-folder" / "x.png", 1, 1, {0, 0, 0, 255}));
}

std::vector<uint8_t> solid(int w, int h, uint32_t rgb) {
  std::vector<uint8_t> v(size_t(w) * size_t(h) * 4);
  for (size_t i = 0; i < v.size(); i += 4) {
    v[i] = uint8_t(rgb >> 16);
    v[i + 1] = uint8_t(rgb >> 8);
    v[i + 2] = uint8_t(rgb);
    v[i + 3] = 255;
  }
  return v;
}

int delay_of(const SavedImage& im) {
  for (int i = 0; i < im.ExtensionBlockCount; ++i) {
    GraphicsControlBlock gcb;
    if (im.ExtensionBlocks[i].Function == GRAPHICS_EXT_FUNC_CODE &&
        DGifExtensionToGCB(im.ExtensionBlocks[i].ByteCount, im.ExtensionBlocks[i].Bytes, &gcb) ==
            GIF_OK)
      return gcb.DelayTime;
  }
  return -1;
}

TEST(PictureOutput, GifKeepsTrueDelaysMergesStillFramesAndWritesOnlyChanges) {
  TempFolder dir;
  const int w = 16, h = 8;
  {
    host::GifRecorder gif(dir / "run.gif", w, h);
    ASSERT_TRUE(gif.ok()) << gif.error();
    gif.add_frame(solid(w, h, 0x000000), 0);
    gif.add_frame(solid(w, h, 0xFF0000), 80);    // 80 ms later
    gif.add_frame(solid(w, h, 0xFF0000), 160);   // nothing new: the red frame lasts longer
    auto blue_corner = solid(w, h, 0xFF0000);
    for (int y = 2; y < 4; ++y)
      for (int x = 3; x < 6; ++x) blue_corner[size_t(y * w + x) * 4 + 0] = 0,
                                  blue_corner[size_t(y * w + x) * 4 + 2] = 255;
    gif.add_frame(solid(w, h, 0xFFFFFF), 1000);
    gif.add_frame(blue_corner, 1003);            // the same centisecond: replaces the white one
    EXPECT_TRUE(gif.finish(1500));
    EXPECT_EQ(gif.frames_written(), 3u);
  }
  int err = 0;
  GifFileType* g = DGifOpenFileName((dir / "run.gif").string().c_str(), &err);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(DGifSlurp(g), GIF_OK);
  ASSERT_EQ(g->ImageCount, 3);
  EXPECT_EQ(delay_of(g->SavedImages[0]), 8);
  EXPECT_EQ(delay_of(g->SavedImages[1]), 92);
  EXPECT_EQ(delay_of(g->SavedImages[2]), 50);
  // The last frame holds only the changed rectangle.
  const GifImageDesc& d = g->SavedImages[2].ImageDesc;
  EXPECT_EQ(d.Left, 3);
  EXPECT_EQ(d.Top, 2);
  EXPECT_EQ(d.Width, 3);
  EXPECT_EQ(d.Height, 2);
  DGifCloseFile(g, &err);

  // Read back through the image decoder too: the first frame is black.
  auto first = host::decode_image_file(dir / "run.gif");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->argb(0, 0), 0xFF000000u);
}

// The GIF shows the screen's colours: exactly while a frame has 256 or fewer (the player's blue
// among them), and close to them, with no bands, in a gradient of many more.
TEST(PictureOutput, GifKeepsTheScreensColours) {
  TempFolder dir;
  const int w = 64, h = 64;
  auto flat = solid(w, h, 0x293C5A);
  for (int x = 0; x < 20; ++x) flat[size_t(x) * 4 + 0] = 0xE0, flat[size_t(x) * 4 + 1] = 0x30;
  std::vector<uint8_t> gradient(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &gradient[size_t(y * w + x) * 4];
      p[0] = uint8_t(x * 4), p[1] = uint8_t(128 + y), p[2] = uint8_t(255 - x * 2 - y), p[3] = 255;
    }
  for (const auto* frame : {&flat, &gradient}) {
    const bool exact = frame == &flat;
    SCOPED_TRACE(exact ? "few colours" : "a gradient");
    {
      host::GifRecorder gif(dir / "c.gif", w, h);
      gif.add_frame(*frame, 0);
      ASSERT_TRUE(gif.finish());
    }
    auto back = host::decode_image_file(dir / "c.gif");
    ASSERT_TRUE(back);
    double error = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t got = back->argb(x, y);
        const uint8_t* want = &(*frame)[size_t(y * w + x) * 4];
        for (int c = 0; c < 3; ++c) error += std::abs(int((got >> (16 - 8 * c)) & 0xFF) - int(want[c]));
      }
    error /= double(w * h * 3);
    if (exact)
      EXPECT_EQ(error, 0.0);
    else
      EXPECT_LT(error, 4.0);  // a fixed 6x6x6 colour cube is off by 13 on average here
  }
}

TEST(PictureOutput, RecorderReportsAnUnwritablePath) {
  host::GifRecorder gif("/nonexistent-folder/x.gif", 4, 4);
  EXPECT_FALSE(gif.ok());
  EXPECT_FALSE(gif.error().empty());
  gif.add_frame(solid(4, 4, 0), 0);  // harmless
  EXPECT_FALSE(gif.finish());
}

}  // namespace
