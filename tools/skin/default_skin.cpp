#include "skin/default_skin.h"

#include <map>

namespace skin {
namespace {

using namespace draw;

constexpr uint32_t kAccent = 0x4FC3F7;

Canvas background() {
  const int w = 240, h = 80;
  Canvas c(w, h);
  c.fill(everywhere(), vertical(hex(0x1E2738, 0.80), hex(0x080B11, 0.90), 0, h));
  // A faint sheen over the upper half.
  c.fill(rect(0, 1, w, h / 2.0), vertical({1, 1, 1, 0.06}, {1, 1, 1, 0.0}, 1, h / 2.0));
  c.fill(rect(0, 0, w, 1), hex(kAccent, 0.85));
  c.fill(rect(0, 1, w, 2), Rgba{1, 1, 1, 0.10});
  return c;
}

// The two notes of the cover tile, `raise` pixels higher than on NoCover.png.
Shape notes(double raise) {
  const double r = raise;
  return join({ellipse(21, 41 - r, 6.2, 4.4, -22), ellipse(40, 37 - r, 6.2, 4.4, -22),
               rect(25.4, 17 - r, 27.6, 40 - r), rect(44.4, 13 - r, 46.6, 36 - r),
               polygon({{25.4, 17 - r}, {46.6, 11.5 - r}, {46.6, 17.5 - r}, {25.4, 23 - r}})});
}

Canvas no_cover() {
  Canvas c(60, 60);
  const Shape tile = rounded_rect(0.5, 0.5, 59.5, 59.5, 7);
  c.fill(tile, vertical(hex(0x30405C), hex(0x141A26), 0, 60));
  c.fill(ring(tile, rounded_rect(1.7, 1.7, 58.3, 58.3, 6)), hex(0x5A78A8, 0.9));
  c.fill(notes(0), hex(0xD3DEEE, 0.88));
  return c;
}

void key_tile(Canvas& c, bool selected) {
  const Shape outer = rounded_rect(0.5, 0.5, 19.5, 19.5, 4.5);
  const Shape inner = rounded_rect(1.5, 1.5, 18.5, 18.5, 3.5);
  if (selected) {
    c.fill(outer, vertical(hex(0x8BDCFF), hex(0x1E8FD0), 0, 20));
    c.fill(ring(outer, inner), Rgba{1, 1, 1, 0.95});
  } else {
    c.fill(outer, vertical(hex(0x2A3447, 0.70), hex(0x0C111A, 0.70), 0, 20));
    c.fill(ring(outer, inner), Rgba{1, 1, 1, 0.22});
  }
}

Shape right_triangle(double x0, double x1, double y0, double y1) {
  return polygon({{x0, y0}, {x1, (y0 + y1) / 2}, {x0, y1}});
}
Shape left_triangle(double x0, double x1, double y0, double y1) {
  return polygon({{x1, y0}, {x0, (y0 + y1) / 2}, {x1, y1}});
}

// The icon of each button, in the order of the files.
std::vector<std::pair<std::string, Shape>> key_icons() {
  const Shape window = join({ring(rect(3.5, 6.5, 13, 16), rect(4.9, 9.2, 11.6, 14.6)),
                             rect(3.5, 6.5, 13, 9.2)});
  const Shape arrow = join({capsule(10.2, 9.8, 15.6, 4.4, 0.85),
                            polygon({{11.8, 3.4}, {16.6, 3.4}, {16.6, 8.2}})});
  return {
      {"Key1", join({right_triangle(4.5, 9.5, 5.5, 14.5), right_triangle(9.5, 14.5, 5.5, 14.5),
                     rect(14.2, 5.5, 15.8, 14.5)})},
      {"Key2", join({rect(4.2, 5.5, 5.8, 14.5), left_triangle(5.5, 10.5, 5.5, 14.5),
                     left_triangle(10.5, 15.5, 5.5, 14.5)})},
      {"Key3", join({rect(6.2, 5.2, 8.8, 14.8), rect(11.2, 5.2, 13.8, 14.8)})},
      {"Key3_1", right_triangle(7.0, 15.2, 4.8, 15.2)},
      {"Key4", join({window, arrow})},
      {"Key5", join({capsule(5.2, 7.8, 10, 12.6, 1.25), capsule(10, 12.6, 14.8, 7.8, 1.25)})},
  };
}

}  // namespace

std::vector<Picture> default_pictures() {
  std::vector<Picture> out;
  out.push_back({"Fon.png", background()});
  out.push_back({"NoCover.png", no_cover()});
  const Rgba icon = hex(0xEEF3F9), icon_selected = hex(0x08131F);
  for (const auto& [name, shape] : key_icons()) {
    for (bool selected : {false, true}) {
      Canvas c(20, 20);
      key_tile(c, selected);
      // A soft shadow under the icon keeps it clear over light screens.
      if (!selected) c.fill(shifted(shape, 0.6, 0.6), Rgba{0, 0, 0, 0.45});
      c.fill(shape, selected ? icon_selected : icon);
      out.push_back({name + (selected ? "_S" : "") + ".png", std::move(c)});
    }
  }
  return out;
}

Canvas application_icon(int size) {
  // Drawn on the cover tile's 60-unit grid and scaled, so that small sizes lose detail rather
  // than change shape; 8 x 8 samples a pixel at small sizes, where edges show, 4 x 4 at large.
  const double k = size / 60.0;
  Canvas c(size, size, size <= 64 ? 8 : 4);
  const Shape tile = rounded_rect(0.5, 0.5, 59.5, 59.5, 9);
  c.fill(scaled(tile, k), vertical(hex(0x30405C), hex(0x141A26), 0, size));
  // The cover's two notes, raised to leave the lower part to the panel.
  c.fill(scaled(notes(8), k), hex(0xD3DEEE, 0.92));
  // The panel: dark and translucent inside the tile, its accent line on top, a progress bar.
  const double top = 40.0;
  c.fill(scaled([=](double x, double y) { return y >= top && tile(x, y); }, k),
         vertical(hex(0x080B11, 0.85), hex(0x080B11, 0.95), top * k, size));
  c.fill(scaled([=](double x, double y) { return top <= y && y <= top + 2.2 && tile(x, y); }, k),
         hex(kAccent));
  c.fill(scaled(rounded_rect(8, 48.5, 52, 52.5, 2), k), Rgba{1, 1, 1, 0.25});
  c.fill(scaled(rounded_rect(8, 48.5, 33, 52.5, 2), k), hex(kAccent));
  // The tile's frame, over the panel too.
  c.fill(scaled(ring(tile, rounded_rect(2.0, 2.0, 58.0, 58.0, 7.6)), k), hex(0x5A78A8, 0.9));
  return c;
}

std::vector<int> icon_sizes() { return {16, 32, 48, 64, 128, 256}; }

std::string icon_file_name(int size) { return "tunestrip-" + std::to_string(size) + ".png"; }

}  // namespace skin
