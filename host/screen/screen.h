// The phone's display: RGB565 pixel memory in firmware memory, where the add-on's snapshot reads
// it, and the drawing the firmware's services do on it.
//
// Pixel memory holds height rows of width 16-bit pixels (red in bits 11–15, green 5–10, blue 0–4),
// top row first. The platform family (platform id >> 12) decides the byte order: family 8 stores
// each pixel high byte first, every other family (9 above all) low byte first.
//
// Two references lead to it, as the firmware of each family offers them:
//  - ref_family8(): the address of a word holding the address of a record whose first word is the
//    pixel memory's address;
//  - ref_family9(): the address of a word holding the address of the first of a chain of
//    display-layer records (80 bytes each). A record is the screen's when its word at byte 28 is 1,
//    or else when its word at byte 72 is nonzero; otherwise the word at byte 32 leads to the next
//    record. The word at byte 16 is the layer's pixel memory. The chain starts with an overlay
//    layer that is not the screen and ends with another; both point at a decoy buffer of the same
//    size (filled with magenta), so a walk that takes the wrong record shows at once.
//
// Drawing blends 0xAARRGGBB colours onto the pixels (alpha 0 draws nothing) and is clipped to the
// screen and to the clip box it is given.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/fw_types.h"

namespace host {

class Phone;
struct Image;

// The pixels [x1, x2) × [y1, y2).
struct Box {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;

  bool empty() const { return x2 <= x1 || y2 <= y1; }
  int width() const { return x2 - x1; }
  int height() const { return y2 - y1; }
  bool contains(int x, int y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
  Box intersect(const Box& o) const {
    return {std::max(x1, o.x1), std::max(y1, o.y1), std::min(x2, o.x2), std::min(y2, o.y2)};
  }
  static Box of(const RECT& r) { return {r.x1, r.y1, r.x2, r.y2}; }
};

// Text alignment in its box: 0 (and any other value) left, 1 centred, 2 right.
constexpr int ALIGN_LEFT = 0;
constexpr int ALIGN_CENTER = 1;
constexpr int ALIGN_RIGHT = 2;

class Screen {
 public:
  static constexpr uint32_t LAYER_RECORD_SIZE = 80;
  static constexpr uint16_t DECOY_PIXEL = 0xF81F;

  static constexpr int MAX_SIDE = 4096;
  // Whether a screen of w × h pixels can be made (1 to MAX_SIDE a side); the constructor throws
  // std::invalid_argument for any other size, so tools check options with this first.
  static bool valid_size(int w, int h) { return w > 0 && h > 0 && w <= MAX_SIDE && h <= MAX_SIDE; }

  explicit Screen(Phone& phone);

  int width() const { return width_; }
  int height() const { return height_; }
  int family() const { return family_; }
  Box bounds() const { return {0, 0, width_, height_}; }

  FwAddr pixel_addr() const { return pixels_; }
  FwAddr ref_family8() const { return ref8_; }
  FwAddr ref_family9() const { return ref9_; }

  // One pixel as stored (RGB565), in the family's byte order.
  uint16_t get565(int x, int y) const;
  void put565(int x, int y, uint16_t v);
  // One pixel as 0xFFRRGGBB (each channel widened from its 5 or 6 bits).
  uint32_t pixel(int x, int y) const { return from565(get565(x, y)); }

  static uint16_t to565(uint32_t rgb) {
    return uint16_t(((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F));
  }
  static uint32_t from565(uint16_t v) {
    uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
  }

  // Every pixel opaque `rgb`.
  void clear(uint32_t rgb);
  // Blends `argb` onto one pixel, its alpha scaled by `coverage`.
  void blend(int x, int y, uint32_t argb, uint8_t coverage, const Box& clip);
  void fill(const Box& box, uint32_t argb, const Box& clip);
  // A vertical gradient from `top` to `bottom` colour (both opaque).
  void gradient(const Box& box, uint32_t top, uint32_t bottom, const Box& clip);
  // A rectangle: a one-pixel frame on the box's edge, the fill inside it.
  void draw_rect(const Box& box, uint32_t frame, uint32_t fill, const Box& clip);
  // An image scaled into the w × h box at (x, y) (area-averaged when shrinking).
  void draw_image(const Image& image, int x, int y, int w, int h, const Box& clip);
  // Text in a font id (see Fonts), laid out from the box's top-left (or centred, or right-aligned
  // on the box's width) and clipped to the box and to `clip`.
  void draw_text(std::u16string_view text, int font_id, int align, const Box& box, uint32_t color,
                 const Box& clip);

  // The screen as RGBA, 4 bytes a pixel, rows top first.
  std::vector<uint8_t> rgba() const;
  bool save_png(const std::filesystem::path& path) const;

  // Counts every change made through the drawing calls above (tests, picture output).
  uint64_t generation() const { return generation_; }

 private:
  // Blends one pixel known to lie inside the screen; `a` is the effective alpha, 1..255.
  void blend_inside(int x, int y, uint32_t argb, uint32_t a) { blend_at(at(x, y), argb, a); }
  void blend_at(uint8_t* p, uint32_t argb, uint32_t a) {
    uint32_t out = argb;
    if (a != 255) {
      uint32_t d = from565(family_ == 8 ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]));
      out = mix((argb >> 16) & 0xFF, (d >> 16) & 0xFF, a) << 16 |
            mix((argb >> 8) & 0xFF, (d >> 8) & 0xFF, a) << 8 | mix(argb & 0xFF, d & 0xFF, a);
    }
    store(p, to565(out));
  }
  static uint32_t mix(uint32_t src, uint32_t dst, uint32_t a) {
    return (src * a + dst * (255 - a) + 127) / 255;
  }
  uint8_t* at(int x, int y) const { return mem_ + (size_t(y) * size_t(width_) + size_t(x)) * 2; }
  // Stores one pixel value in the family's byte order.
  void store(uint8_t* p, uint16_t v) const {
    if (family_ == 8) {
      p[0] = uint8_t(v >> 8);
      p[1] = uint8_t(v);
    } else {
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
    }
  }

  // Frames repeat: the same picture is drawn at the same place over the same pixels again and
  // again (the frozen backdrop, the panel's background, the buttons). A memo keeps, for a call,
  // the pixels of the box it can change before and after it; the same call over the same pixels
  // copies the pixels after instead of blending them anew.
  using MemoKey = std::array<int64_t, 6>;
  struct Memo {
    MemoKey key{};
    Box box;
    std::vector<uint8_t> before, after;
    uint64_t used = 0;
  };
  static constexpr size_t kMemos = 16;
  // Runs draw() unless a memo of `key` over `box` applies; either way the box ends as draw()
  // leaves it.
  template <typename Draw>
  void memoized(const MemoKey& key, const Box& box, Draw&& draw);
  bool box_holds(const Box& b, const std::vector<uint8_t>& bytes) const;
  void copy_out(const Box& b, std::vector<uint8_t>& bytes) const;
  void copy_in(const Box& b, const std::vector<uint8_t>& bytes);
  void draw_image_pixels(const Image& image, int x, int y, int w, int h, const Box& b);
  std::vector<Memo> memos_;
  std::vector<uint8_t> scratch_;
  uint64_t memo_clock_ = 0;
  Phone& phone_;
  int width_;
  int height_;
  int family_;
  FwAddr pixels_ = 0;
  FwAddr decoy_ = 0;
  FwAddr ref8_ = 0;
  FwAddr ref9_ = 0;
  uint8_t* mem_ = nullptr;  // pixel memory inside the arena (which never moves)
  uint64_t generation_ = 0;
};

}  // namespace host
