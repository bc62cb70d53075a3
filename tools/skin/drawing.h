// Anti-aliased drawing of the default skin's pictures: shapes are predicates over a point, and a
// canvas paints each pixel by the share of its samples (SS x SS a pixel) that fall inside, blended
// over what it holds. Colours are RGBA of doubles 0..1, unpremultiplied.
//
// The arithmetic is kept in a fixed order on doubles (and this library is built without fused
// multiply-add), so that the same shapes give the same pixels on every machine: the bundled skin's
// pictures are these pixels, byte for byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace skin::draw {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

// 0xRRGGBB with an alpha.
Rgba hex(uint32_t rgb, double alpha = 1.0);

using Shape = std::function<bool(double x, double y)>;
using Paint = std::function<Rgba(double x, double y)>;

class Canvas {
 public:
  Canvas(int width, int height, int samples = 8);

  // Blends `paint` (evaluated at each pixel's centre) over every pixel that `shape` touches.
  void fill(const Shape& shape, const Paint& paint);
  void fill(const Shape& shape, Rgba colour);

  int width() const { return w_; }
  int height() const { return h_; }
  // 8-bit RGBA, rows top first, each channel rounded half to even.
  std::vector<uint8_t> rgba() const;
  // The picture as a PNG file (the same pixels give the same bytes); false when it cannot be
  // written.
  bool save(const std::filesystem::path& path) const;

 private:
  void blend(int x, int y, Rgba c, double cover);
  int w_, h_, ss_;
  std::vector<Rgba> px_;
};

// Shapes.
Shape everywhere();
Shape rect(double x0, double y0, double x1, double y1);
Shape rounded_rect(double x0, double y0, double x1, double y1, double r);
Shape ring(Shape outer, Shape inner);
Shape polygon(std::vector<std::pair<double, double>> points);
Shape capsule(double ax, double ay, double bx, double by, double r);
Shape ellipse(double cx, double cy, double rx, double ry, double angle_deg = 0.0);
Shape join(std::vector<Shape> shapes);
Shape shifted(Shape shape, double dx, double dy);  // the shape moved by (dx, dy)
Shape scaled(Shape shape, double k);               // the shape k times larger

// A vertical gradient from `top` at y0 to `bottom` at y1, flat beyond.
Paint vertical(Rgba top, Rgba bottom, double y0, double y1);

}  // namespace skin::draw
