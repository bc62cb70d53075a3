#include "images/gif_palette.h"

#include <libimagequant.h>

#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace host {
namespace {

struct AttrFree {
  void operator()(liq_attr* a) const { liq_attr_destroy(a); }
};
struct ImageFree {
  void operator()(liq_image* i) const { liq_image_destroy(i); }
};
struct ResultFree {
  void operator()(liq_result* r) const { liq_result_destroy(r); }
};

// The rectangle's colours when they are 256 or fewer, each at its first appearance.
bool exact_palette(const uint8_t* rgba, int stride, int x1, int y1, int x2, int y2,
                   GifFramePalette& out) {
  std::unordered_map<uint32_t, uint8_t> index;
  out.indices.clear();
  out.indices.reserve(size_t(x2 - x1) * size_t(y2 - y1));
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) {
      const uint8_t* p = rgba + (size_t(y) * size_t(stride) + size_t(x)) * 4;
      const uint32_t key = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
      auto [it, added] = index.try_emplace(key, uint8_t(index.size()));
      if (added) {
        if (index.size() > 256) return false;
        out.colours.push_back(GifColorType{p[0], p[1], p[2]});
      }
      out.indices.push_back(it->second);
    }
  return true;
}

}  // namespace

GifFramePalette gif_frame_palette(const uint8_t* rgba, int stride, int x1, int y1, int x2, int y2) {
  GifFramePalette out;
  if (exact_palette(rgba, stride, x1, y1, x2, y2, out)) return out;

  // The rectangle on its own, opaque (a GIF frame has no translucency).
  const int w = x2 - x1, h = y2 - y1;
  std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = rgba + (size_t(y1 + y) * size_t(stride) + size_t(x1 + x)) * 4;
      uint8_t* q = &pixels[(size_t(y) * size_t(w) + size_t(x)) * 4];
      q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
    }
  std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
  if (!attr) throw std::bad_alloc();
  liq_set_max_colors(attr.get(), 256);
  std::unique_ptr<liq_image, ImageFree> image(liq_image_create_rgba(attr.get(), pixels.data(), w, h, 0));
  liq_result* raw = nullptr;
  if (!image || liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK)
    throw std::runtime_error("the GIF frame's colours could not be quantised");
  std::unique_ptr<liq_result, ResultFree> result(raw);
  liq_set_dithering_level(result.get(), 1.0f);
  out.indices.assign(size_t(w) * size_t(h), 0);
  if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK)
    throw std::runtime_error("the GIF frame's colours could not be mapped");
  const liq_palette* palette = liq_get_palette(result.get());
  out.colours.clear();
  for (unsigned i = 0; i < palette->count; ++i)
    out.colours.push_back(GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
  return out;
}

}  // namespace host
