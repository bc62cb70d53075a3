#include "skin/drawing.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace skin::draw {
namespace {

// x squared as pow computes it, the same in every build.
double sq(double x) { return std::pow(x, 2.0); }

}  // namespace

Rgba hex(uint32_t rgb, double alpha) {
  return {double(rgb >> 16 & 255) / 255, double(rgb >> 8 & 255) / 255, double(rgb & 255) / 255,
          alpha};
}

Canvas::Canvas(int width, int height, int samples)
    : w_(width), h_(height), ss_(samples), px_(size_t(width) * size_t(height)) {}

void Canvas::blend(int x, int y, Rgba c, double cover) {
  const double a = c.a * cover;
  if (a <= 0) return;
  Rgba& d = px_[size_t(y) * size_t(w_) + size_t(x)];
  const double oa = a + d.a * (1 - a);
  if (oa <= 0) return;
  auto mix = [&](double s, double dst) { return (s * a + dst * d.a * (1 - a)) / oa; };
  d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), oa};
}

void Canvas::fill(const Shape& shape, const Paint& paint) {
  const double samples = double(ss_ * ss_);
  for (int py = 0; py < h_; ++py) {
    for (int px = 0; px < w_; ++px) {
      int n = 0;
      for (int sy = 0; sy < ss_; ++sy)
        for (int sx = 0; sx < ss_; ++sx)
          if (shape(px + (sx + 0.5) / ss_, py + (sy + 0.5) / ss_)) ++n;
      if (n) blend(px, py, paint(px + 0.5, py + 0.5), n / samples);
    }
  }
}

void Canvas::fill(const Shape& shape, Rgba colour) {
  fill(shape, [colour](double, double) { return colour; });
}

std::vector<uint8_t> Canvas::rgba() const {
  std::vector<uint8_t> out;
  out.reserve(px_.size() * 4);
  auto byte = [](double c) { return uint8_t(std::clamp(std::nearbyint(c * 255), 0.0, 255.0)); };
  for (const Rgba& p : px_) {
    out.push_back(byte(p.r));
    out.push_back(byte(p.g));
    out.push_back(byte(p.b));
    out.push_back(byte(p.a));
  }
  return out;
}

// The file is the plainest PNG (8-bit RGBA rows without filters, deflated by zlib at its best
// compression into one IDAT chunk), so that the same pixels always give the same bytes.
bool Canvas::save(const std::filesystem::path& path) const {
  const std::vector<uint8_t> px = rgba();
  std::vector<uint8_t> raw;
  raw.reserve(px.size() + size_t(h_));
  for (int y = 0; y < h_; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), px.begin() + ptrdiff_t(y) * w_ * 4, px.begin() + ptrdiff_t(y + 1) * w_ * 4);
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> deflated(size);
  if (compress2(deflated.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
  deflated.resize(size);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) file.push_back(uint8_t(v >> s));
  };
  auto chunk = [&](const char* kind, const std::vector<uint8_t>& data) {
    put32(uint32_t(data.size()));
    const size_t start = file.size();
    file.insert(file.end(), kind, kind + 4);
    file.insert(file.end(), data.begin(), data.end());
    put32(uint32_t(crc32(0, file.data() + start, uInt(file.size() - start))));
  };
  std::vector<uint8_t> header;
  for (uint32_t v : {uint32_t(w_), uint32_t(h_)})
    for (int s = 24; s >= 0; s -= 8) header.push_back(uint8_t(v >> s));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filters, no interlace
  chunk("IHDR", header);
  chunk("IDAT", deflated);
  chunk("IEND", {});
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  return bool(out.flush());
}

Shape everywhere() {
  return [](double, double) { return true; };
}

Shape rect(double x0, double y0, double x1, double y1) {
  return [=](double x, double y) { return x0 <= x && x <= x1 && y0 <= y && y <= y1; };
}

Shape rounded_rect(double x0, double y0, double x1, double y1, double r) {
  return [=](double x, double y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const double cx = std::min(std::max(x, x0 + r), x1 - r);
    const double cy = std::min(std::max(y, y0 + r), y1 - r);
    return sq(x - cx) + sq(y - cy) <= r * r;
  };
}

Shape ring(Shape outer, Shape inner) {
  return [=](double x, double y) { return outer(x, y) && !inner(x, y); };
}

Shape polygon(std::vector<std::pair<double, double>> points) {
  return [points = std::move(points)](double x, double y) {
    bool hit = false;
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
      const auto [ax, ay] = points[i];
      const auto [bx, by] = points[(i + 1) % n];
      if ((ay > y) != (by > y) && x < (bx - ax) * (y - ay) / (by - ay) + ax) hit = !hit;
    }
    return hit;
  };
}

Shape capsule(double ax, double ay, double bx, double by, double r) {
  return [=](double x, double y) {
    const double dx = bx - ax, dy = by - ay;
    const double t =
        std::max(0.0, std::min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)));
    return sq(x - ax - t * dx) + sq(y - ay - t * dy) <= r * r;
  };
}

Shape ellipse(double cx, double cy, double rx, double ry, double angle_deg) {
  const double rad = angle_deg * (M_PI / 180.0);
  const double c = std::cos(rad), s = std::sin(rad);
  return [=](double x, double y) {
    const double u = (x - cx) * c + (y - cy) * s;
    const double v = -(x - cx) * s + (y - cy) * c;
    return sq(u / rx) + sq(v / ry) <= 1;
  };
}

Shape join(std::vector<Shape> shapes) {
  return [shapes = std::move(shapes)](double x, double y) {
    return std::any_of(shapes.begin(), shapes.end(), [&](const Shape& f) { return f(x, y); });
  };
}

Shape shifted(Shape shape, double dx, double dy) {
  return [=](double x, double y) { return shape(x - dx, y - dy); };
}

Shape scaled(Shape shape, double k) {
  return [=](double x, double y) { return shape(x / k, y / k); };
}

Paint vertical(Rgba top, Rgba bottom, double y0, double y1) {
  return [=](double, double y) {
    const double t = std::max(0.0, std::min(1.0, (y - y0) / (y1 - y0)));
    auto at = [t](double a, double b) { return a + (b - a) * t; };
    return Rgba{at(top.r, bottom.r), at(top.g, bottom.g), at(top.b, bottom.b), at(top.a, bottom.a)};
  };
}

}  // namespace skin::draw
