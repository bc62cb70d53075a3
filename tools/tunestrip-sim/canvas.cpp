#include "canvas.h"

#include "core/wstr.h"
#include "screen/fonts.h"
#include "sim/status.h"

namespace sim {

void Canvas::blend(int x, int y, uint32_t rgb, int alpha) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  uint8_t* p = &rgba_[(size_t(y) * w_ + x) * 4];
  for (int ch = 0; ch < 3; ++ch) {
    const int src = (rgb >> (16 - 8 * ch)) & 0xFF;
    p[ch] = uint8_t((src * alpha + p[ch] * (255 - alpha)) / 255);
  }
  p[3] = uint8_t(alpha + p[3] * (255 - alpha) / 255);
}

void Canvas::fill(int x, int y, int w, int h, uint32_t rgb, int alpha) {
  for (int yy = y; yy < y + h; ++yy)
    for (int xx = x; xx < x + w; ++xx) blend(xx, yy, rgb, alpha);
}

void Canvas::frame(int x, int y, int w, int h, uint32_t rgb) {
  fill(x, y, w, 1, rgb, 255);
  fill(x, y + h - 1, w, 1, rgb, 255);
  fill(x, y, 1, h, rgb, 255);
  fill(x + w - 1, y, 1, h, rgb, 255);
}

int Canvas::text(host::Fonts& fonts, std::string_view utf8, int font, int x, int y, uint32_t rgb) {
  const std::u16string t = host::utf8_to_utf16(std::string(utf8));
  fonts.render(t, font, x, y, [&](int px, int py, uint8_t cov) { blend(px, py, rgb, cov); });
  return fonts.text_width(t, font);
}

std::vector<std::string> Canvas::wrap(host::Fonts& fonts, std::string_view utf8, int font, int width) {
  return wrap_text(fonts, utf8, font, width);
}

}  // namespace sim
