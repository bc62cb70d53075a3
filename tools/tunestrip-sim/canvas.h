// A picture the window draws its own text into (the status line, the help, message boxes):
// straight RGBA pixels, rows top first, with the phone's fonts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {
class Fonts;
}

namespace sim {

class Canvas {
 public:
  Canvas(int width, int height) : w_(width), h_(height), rgba_(size_t(width) * height * 4) {}
  // Draws over an existing picture of that size.
  Canvas(int width, int height, std::vector<uint8_t> rgba)
      : w_(width), h_(height), rgba_(std::move(rgba)) {}

  int width() const { return w_; }
  int height() const { return h_; }
  const std::vector<uint8_t>& rgba() const { return rgba_; }

  // Blends `rgb` (0xRRGGBB) at opacity `alpha` over the box; a frame colour draws its edge.
  void fill(int x, int y, int w, int h, uint32_t rgb, int alpha);
  void frame(int x, int y, int w, int h, uint32_t rgb);
  // One line of UTF-8 text with its top at y; answers its width in pixels.
  int text(host::Fonts& fonts, std::string_view utf8, int font, int x, int y, uint32_t rgb);
  // `utf8` broken into lines no wider than `width` (wrap_text() of the status line).
  static std::vector<std::string> wrap(host::Fonts& fonts, std::string_view utf8, int font, int width);

 private:
  void blend(int x, int y, uint32_t rgb, int alpha);

  int w_, h_;
  std::vector<uint8_t> rgba_;
};

}  // namespace sim
