#include "screen/screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "core/arena.h"
#include "core/text_store.h"
#include "images/image_store.h"
#include "images/picture_output.h"
#include "phone/phone.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"

namespace host {

Screen::Screen(Phone& phone)
    : phone_(phone),
      width_(phone.options().screen_w),
      height_(phone.options().screen_h),
      family_(int(phone.options().platform_id >> 12)) {
  if (!valid_size(width_, height_))
    throw std::invalid_argument("screen size " + std::to_string(width_) + "x" +
                                std::to_string(height_) + " is out of range (1 to " +
                                std::to_string(MAX_SIDE) + " pixels a side)");
  Arena& arena = phone.arena();
  const uint32_t bytes = uint32_t(width_) * uint32_t(height_) * 2;
  pixels_ = arena.alloc(bytes);
  mem_ = arena.at(pixels_, bytes);
  decoy_ = arena.alloc(bytes);
  uint8_t* decoy = arena.at(decoy_, bytes);
  for (uint32_t i = 0; i < bytes; i += 2) {
    decoy[i] = DECOY_PIXEL & 0xFF;
    decoy[i + 1] = DECOY_PIXEL >> 8;
  }

  // Family 8: a pointer to a record whose first word is the pixel memory.
  FwAddr record8 = arena.alloc(16);
  arena.write32(record8, pixels_);
  ref8_ = arena.alloc(4);
  arena.write32(ref8_, record8);

  // Family 9: a chain of layer records: an overlay, the screen, another overlay.
  FwAddr layers[3];
  for (FwAddr& l : layers) l = arena.alloc(LAYER_RECORD_SIZE);
  arena.write32(layers[0] + 16, decoy_);
  arena.write32(layers[0] + 32, layers[1]);
  arena.write32(layers[1] + 16, pixels_);
  arena.write32(layers[1] + 28, 1);
  arena.write32(layers[1] + 32, layers[2]);
  arena.write32(layers[2] + 16, decoy_);
  arena.write32(layers[2] + 72, 1);
  ref9_ = arena.alloc(4);
  arena.write32(ref9_, layers[0]);

  clear(0x000000);
}

uint16_t Screen::get565(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = mem_ + (size_t(y) * size_t(width_) + size_t(x)) * 2;
  return family_ == 8 ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

void Screen::put565(int x, int y, uint16_t v) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  store(mem_ + (size_t(y) * size_t(width_) + size_t(x)) * 2, v);
}

void Screen::clear(uint32_t rgb) {
  const uint16_t v = to565(rgb);
  for (int y = 0; y < height_; ++y)
    for (uint8_t *p = at(0, y), *end = p + size_t(width_) * 2; p != end; p += 2) store(p, v);
  ++generation_;
}

void Screen::blend(int x, int y, uint32_t argb, uint8_t coverage, const Box& clip) {
  if (!clip.contains(x, y) || !bounds().contains(x, y)) return;
  uint32_t a = ((argb >> 24) * coverage + 127) / 255;
  if (a == 0) return;
  blend_inside(x, y, argb, a);
  ++generation_;
}

// Memos -------------------------------------------------------------------------------------------

bool Screen::box_holds(const Box& b, const std::vector<uint8_t>& bytes) const {
  const size_t row = size_t(b.width()) * 2;
  if (bytes.size() != row * size_t(b.height())) return false;
  const uint8_t* q = bytes.data();
  for (int y = b.y1; y < b.y2; ++y, q += row)
    if (std::memcmp(at(b.x1, y), q, row) != 0) return false;
  return true;
}

void Screen::copy_out(const Box& b, std::vector<uint8_t>& bytes) const {
  const size_t row = size_t(b.width()) * 2;
  bytes.resize(row * size_t(b.height()));
  uint8_t* q = bytes.data();
  for (int y = b.y1; y < b.y2; ++y, q += row) std::memcpy(q, at(b.x1, y), row);
}

void Screen::copy_in(const Box& b, const std::vector<uint8_t>& bytes) {
  const size_t row = size_t(b.width()) * 2;
  const uint8_t* q = bytes.data();
  for (int y = b.y1; y < b.y2; ++y, q += row) std::memcpy(at(b.x1, y), q, row);
}

template <typename Draw>
void Screen::memoized(const MemoKey& key, const Box& box, Draw&& draw) {
  Memo* memo = nullptr;
  for (Memo& m : memos_)
    if (m.key == key && m.box.x1 == box.x1 && m.box.y1 == box.y1 && m.box.x2 == box.x2 &&
        m.box.y2 == box.y2) {
      memo = &m;
      break;
    }
  if (memo && box_holds(box, memo->before)) {
    copy_in(box, memo->after);
    memo->used = ++memo_clock_;
    ++generation_;
    return;
  }
  copy_out(box, scratch_);
  draw();
  if (!memo) {
    if (memos_.size() < kMemos) {
      memo = &memos_.emplace_back();
    } else {
      memo = &*std::min_element(memos_.begin(), memos_.end(),
                                [](const Memo& a, const Memo& b) { return a.used < b.used; });
    }
    memo->key = key;
    memo->box = box;
  }
  std::swap(memo->before, scratch_);
  copy_out(box, memo->after);
  memo->used = ++memo_clock_;
}

// Drawing ---------------------------------------------------------------------------------------

void Screen::fill(const Box& box, uint32_t argb, const Box& clip) {
  if ((argb >> 24) == 0) return;
  Box b = box.intersect(clip).intersect(bounds());
  if (b.empty()) return;
  const size_t row = size_t(b.width()) * 2;
  if ((argb >> 24) == 255) {
    // Opaque: one row made once and copied, cheaper than any memo.
    const uint16_t v = to565(argb);
    scratch_.resize(row);
    for (size_t i = 0; i < row; i += 2) store(&scratch_[i], v);
    for (int y = b.y1; y < b.y2; ++y) std::memcpy(at(b.x1, y), scratch_.data(), row);
  } else {
    memoized({1, argb, 0, 0, 0, 0}, b, [&] {
      for (int y = b.y1; y < b.y2; ++y)
        for (uint8_t *p = at(b.x1, y), *end = p + row; p != end; p += 2) blend_at(p, argb, argb >> 24);
    });
  }
  ++generation_;
}

void Screen::gradient(const Box& box, uint32_t top, uint32_t bottom, const Box& clip) {
  Box b = box.intersect(clip).intersect(bounds());
  if (b.empty()) return;
  int span = std::max(1, box.height() - 1);
  for (int y = b.y1; y < b.y2; ++y) {
    uint32_t t = uint32_t((y - box.y1) * 255 / span);
    uint32_t c = 0xFF000000u | uint32_t(mix((bottom >> 16) & 0xFF, (top >> 16) & 0xFF, t)) << 16 |
                 uint32_t(mix((bottom >> 8) & 0xFF, (top >> 8) & 0xFF, t)) << 8 |
                 mix(bottom & 0xFF, top & 0xFF, t);
    const uint16_t v = to565(c);
    for (uint8_t *p = at(b.x1, y), *end = p + size_t(b.width()) * 2; p != end; p += 2) store(p, v);
  }
  ++generation_;
}

void Screen::draw_rect(const Box& box, uint32_t frame, uint32_t fill_color, const Box& clip) {
  if (box.empty()) return;
  Box inner{box.x1 + 1, box.y1 + 1, box.x2 - 1, box.y2 - 1};
  fill(inner, fill_color, clip);
  if ((frame >> 24) == 0) return;
  Box c = clip.intersect(bounds());
  for (int x = box.x1; x < box.x2; ++x) {
    blend(x, box.y1, frame, 255, c);
    if (box.y2 - 1 != box.y1) blend(x, box.y2 - 1, frame, 255, c);
  }
  for (int y = box.y1 + 1; y < box.y2 - 1; ++y) {
    blend(box.x1, y, frame, 255, c);
    if (box.x2 - 1 != box.x1) blend(box.x2 - 1, y, frame, 255, c);
  }
}

void Screen::draw_image(const Image& image, int x, int y, int w, int h, const Box& clip) {
  if (image.width <= 0 || image.height <= 0 || w <= 0 || h <= 0) return;
  Box target{x, y, x + w, y + h};
  Box b = target.intersect(clip).intersect(bounds());
  if (b.empty()) return;
  // A picture outside a store has no serial to know it by.
  if (image.serial == 0)
    draw_image_pixels(image, x, y, w, h, b);
  else
    memoized({2, int64_t(image.serial), x, y, w, h}, b,
             [&] { draw_image_pixels(image, x, y, w, h, b); });
  ++generation_;
}

void Screen::draw_image_pixels(const Image& image, int x, int y, int w, int h, const Box& b) {
  const int sw = image.width, sh = image.height;
  // Source span [lo, hi) of each destination column and row.
  auto spans = [](int dst0, int dst1, int origin, int dst_len, int src_len) {
    std::vector<std::pair<int, int>> out;
    for (int d = dst0; d < dst1; ++d) {
      int64_t i = d - origin;
      int lo, hi;
      if (src_len <= dst_len) {
        lo = int(((2 * i + 1) * src_len) / (2 * int64_t(dst_len)));
        hi = lo + 1;
      } else {
        lo = int((i * src_len) / dst_len);
        hi = int(((i + 1) * src_len + dst_len - 1) / dst_len);
      }
      out.emplace_back(std::clamp(lo, 0, src_len - 1), std::clamp(hi, lo + 1, src_len));
    }
    return out;
  };
  if (w == sw && h == sh) {
    // Natural size: one source pixel for each screen pixel.
    for (int dy = b.y1; dy < b.y2; ++dy) {
      const uint8_t* src = image.rgba.data() + (size_t(dy - y) * size_t(sw) + size_t(b.x1 - x)) * 4;
      uint8_t* p = at(b.x1, dy);
      for (int dx = b.x1; dx < b.x2; ++dx, src += 4, p += 2) {
        uint32_t a = src[3];
        if (a) blend_at(p, a << 24 | uint32_t(src[0]) << 16 | uint32_t(src[1]) << 8 | src[2], a);
      }
    }
    return;
  }
  auto cols = spans(b.x1, b.x2, x, w, sw);
  auto rows = spans(b.y1, b.y2, y, h, sh);
  for (int dy = b.y1; dy < b.y2; ++dy) {
    auto [ry0, ry1] = rows[size_t(dy - b.y1)];
    for (int dx = b.x1; dx < b.x2; ++dx) {
      auto [rx0, rx1] = cols[size_t(dx - b.x1)];
      uint32_t argb;
      if (ry1 - ry0 == 1 && rx1 - rx0 == 1) {
        argb = image.argb(rx0, ry0);
      } else {
        // Average with premultiplied alpha, so transparent pixels lend no colour.
        uint64_t r = 0, g = 0, bl = 0, a = 0, n = 0;
        for (int sy = ry0; sy < ry1; ++sy)
          for (int sx = rx0; sx < rx1; ++sx) {
            uint32_t p = image.argb(sx, sy);
            uint32_t pa = p >> 24;
            a += pa;
            r += ((p >> 16) & 0xFF) * pa;
            g += ((p >> 8) & 0xFF) * pa;
            bl += (p & 0xFF) * pa;
            ++n;
          }
        if (a == 0) continue;
        argb = uint32_t((a + n / 2) / n) << 24 | uint32_t((r + a / 2) / a) << 16 |
               uint32_t((g + a / 2) / a) << 8 | uint32_t((bl + a / 2) / a);
      }
      if (argb >> 24) blend_inside(dx, dy, argb, argb >> 24);
    }
  }
}

namespace {
constexpr size_t kMaxLineChars = 4096;
}  // namespace

void Screen::draw_text(std::u16string_view text, int font_id, int align, const Box& box,
                       uint32_t color, const Box& clip) {
  if ((color >> 24) == 0 || text.empty()) return;
  Box c = box.intersect(clip).intersect(bounds());
  if (c.empty()) return;
  Fonts& fonts = phone_.fonts();
  const uint32_t alpha = color >> 24;
  // Each line is aligned on its own.
  int top = box.y1;
  const int line_height = fonts.metrics(font_id).line_height;
  bool drawn = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    // A tag may hold a line of a million characters; no screen shows more than its first few
    // thousand (a glyph is at least a pixel wide), so only those are laid out and drawn.
    const TextLayout& line =
        fonts.layout(text.substr(start, std::min(end - start, kMaxLineChars)), font_id);
    int x = box.x1;
    if (align == ALIGN_CENTER || align == ALIGN_RIGHT)
      x = align == ALIGN_RIGHT ? box.x2 - line.advance : box.x1 + (box.width() - line.advance) / 2;
    for (const TextLayout::Placed& g : line.glyphs) {
      const int gx = x + g.x, gy = top + g.y;
      const Box ink = Box{gx, gy, gx + g.width, gy + g.rows}.intersect(c);
      for (int py = ink.y1; py < ink.y2; ++py) {
        const uint8_t* cov = g.coverage + size_t(py - gy) * size_t(g.width) + size_t(ink.x1 - gx);
        uint8_t* p = at(ink.x1, py);
        for (int px = ink.x1; px < ink.x2; ++px, ++cov, p += 2) {
          if (!*cov) continue;
          const uint32_t a = (alpha * *cov + 127) / 255;
          if (a == 0) continue;
          blend_at(p, color, a);
          drawn = true;
        }
      }
    }
    top += line_height;
    if (top >= c.y2) break;
    start = end + 1;
  }
  if (drawn) ++generation_;
}

std::vector<uint8_t> Screen::rgba() const {
  std::vector<uint8_t> out(size_t(width_) * size_t(height_) * 4);
  size_t i = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      uint32_t p = pixel(x, y);
      out[i++] = uint8_t(p >> 16);
      out[i++] = uint8_t(p >> 8);
      out[i++] = uint8_t(p);
      out[i++] = 0xFF;
    }
  return out;
}

bool Screen::save_png(const std::filesystem::path& path) const {
  return write_png(path, width_, height_, rgba());
}

}  // namespace host
