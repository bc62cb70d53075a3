#include "images/picture_output.h"

#include <gif_lib.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

// stb_image_write stays private to this file.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace host {
namespace {

constexpr int CUBE = 216;
constexpr int GREYS = 40;

uint8_t cube_level(int i) { return uint8_t(i * 51); }
uint8_t grey_level(int i) { return uint8_t((i * 255 + GREYS / 2 - 1) / (GREYS - 1)); }

std::array<GifColorType, 256> palette() {
  std::array<GifColorType, 256> p{};
  for (int i = 0; i < CUBE; ++i) p[size_t(i)] = {cube_level(i / 36), cube_level(i / 6 % 6), cube_level(i % 6)};
  for (int i = 0; i < GREYS; ++i) {
    uint8_t v = grey_level(i);
    p[size_t(CUBE + i)] = {v, v, v};
  }
  return p;
}

uint8_t nearest(uint8_t r, uint8_t g, uint8_t b) {
  auto lvl = [](int v) { return (v + 25) / 51; };
  int cube = lvl(r) * 36 + lvl(g) * 6 + lvl(b);
  auto err = [&](int cr, int cg, int cb) {
    return (cr - r) * (cr - r) + (cg - g) * (cg - g) + (cb - b) * (cb - b);
  };
  int cube_err = err(cube_level(lvl(r)), cube_level(lvl(g)), cube_level(lvl(b)));
  int grey = std::min(GREYS - 1, ((r * 30 + g * 59 + b * 11) / 100 * (GREYS - 1) + 127) / 255);
  uint8_t gv = grey_level(grey);
  return err(gv, gv, gv) < cube_err ? uint8_t(CUBE + grey) : uint8_t(cube);
}

// Palette index by RGB565 value.
const std::array<uint8_t, 65536>& table565() {
  static const std::array<uint8_t, 65536> t = [] {
    std::array<uint8_t, 65536> out{};
    for (uint32_t v = 0; v < 65536; ++v) {
      uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
      out[v] = nearest(uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2));
    }
    return out;
  }();
  return t;
}

int64_t centis(int64_t ms) { return (ms + 5) / 10; }

}  // namespace

bool write_png(const std::filesystem::path& path, int width, int height,
               const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * 4) return false;
  return stbi_write_png(path.string().c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

uint8_t gif_palette_index(uint8_t r, uint8_t g, uint8_t b) {
  uint8_t exact = table565()[size_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3))];
  // The table is exact for colours an RGB565 screen can show; others are matched directly.
  uint32_t back = 0;
  {
    uint32_t r5 = r >> 3, g6 = g >> 2, b5 = b >> 3;
    back = (r5 << 3 | r5 >> 2) << 16 | (g6 << 2 | g6 >> 4) << 8 | (b5 << 3 | b5 >> 2);
  }
  if (back == (uint32_t(r) << 16 | uint32_t(g) << 8 | b)) return exact;
  return nearest(r, g, b);
}

GifRecorder::GifRecorder(const std::filesystem::path& path, int width, int height)
    : width_(width), height_(height) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    error_ = "bad picture size";
    return;
  }
  // Opened here rather than by giflib, which would make the file readable by its owner only.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    error_ = "cannot write " + path.string() + ": " + std::strerror(errno);
    return;
  }
  int err = 0;
  gif_ = EGifOpenFileHandle(fd, &err);
  if (!gif_) {
    ::close(fd);
    error_ = "cannot write " + path.string() + ": " + GifErrorString(err);
    return;
  }
  EGifSetGifVersion(gif_, true);
  auto colours = palette();
  ColorMapObject* map = GifMakeMapObject(256, colours.data());
  bool ok = map && EGifPutScreenDesc(gif_, width, height, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  // Loop forever.
  static const GifByteType loop[3] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_OK &&
       EGifPutExtensionBlock(gif_, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
  if (!ok) {
    error_ = "cannot write the GIF header of " + path.string();
    EGifCloseFile(gif_, &err);
    gif_ = nullptr;
  }
}

GifRecorder::~GifRecorder() {
  if (gif_) finish();
}

void GifRecorder::add_frame(const std::vector<uint8_t>& rgba, int64_t t_ms) {
  if (!gif_ || rgba.size() < size_t(width_) * size_t(height_) * 4) return;
  std::vector<uint8_t> q(size_t(width_) * size_t(height_));
  for (size_t i = 0; i < q.size(); ++i)
    q[i] = gif_palette_index(rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]);
  if (has_pending_) {
    if (t_ms < pending_t_) t_ms = pending_t_;
    if (centis(t_ms) == centis(pending_t_)) {
      pending_ = std::move(q);  // the same instant on the GIF's clock: the later picture wins
      return;
    }
    if (q == pending_) return;  // nothing changed: the pending frame just stays longer
    if (!write_pending(t_ms)) return;
  }
  pending_ = std::move(q);
  pending_t_ = t_ms;
  has_pending_ = true;
}

bool GifRecorder::write_pending(int64_t until_ms) {
  has_pending_ = false;
  int64_t delay = centis(until_ms) - centis(pending_t_);
  if (delay < 1) delay = 1;
  if (delay > 65535) delay = 65535;

  // The rectangle that differs from what the file shows so far (all of it for the first frame).
  int x1 = 0, y1 = 0, x2 = width_, y2 = height_;
  if (written_ > 0) {
    x1 = width_, y1 = height_, x2 = 0, y2 = 0;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* a = &pending_[size_t(y) * size_t(width_)];
      const uint8_t* b = &shown_[size_t(y) * size_t(width_)];
      if (std::memcmp(a, b, size_t(width_)) == 0) continue;
      y1 = std::min(y1, y);
      y2 = y + 1;
      for (int x = 0; x < width_; ++x)
        if (a[x] != b[x]) {
          x1 = std::min(x1, x);
          x2 = std::max(x2, x + 1);
        }
    }
    if (x2 <= x1) x1 = 0, y1 = 0, x2 = 1, y2 = 1;  // no change: a one-pixel frame carries the delay
  }

  GifByteType gce[4] = {0x04, GifByteType(delay & 0xFF), GifByteType(delay >> 8), 0};
  bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_OK &&
            EGifPutImageDesc(gif_, x1, y1, x2 - x1, y2 - y1, false, nullptr) == GIF_OK;
  for (int y = y1; ok && y < y2; ++y)
    ok = EGifPutLine(gif_, &pending_[size_t(y) * size_t(width_) + size_t(x1)], x2 - x1) == GIF_OK;
  if (!ok) {
    error_ = "cannot write a GIF frame";
    int err = 0;
    EGifCloseFile(gif_, &err);
    gif_ = nullptr;
    return false;
  }
  shown_ = pending_;
  ++written_;
  return true;
}

bool GifRecorder::finish(int64_t end_ms) {
  if (!gif_) return finished_ok_;
  bool ok = true;
  if (has_pending_) ok = write_pending(end_ms > pending_t_ ? end_ms : pending_t_ + 1000);
  if (!gif_) return false;
  int err = 0;
  if (EGifCloseFile(gif_, &err) != GIF_OK) {
    ok = false;
    error_ = std::string("cannot finish the GIF: ") + GifErrorString(err);
  }
  gif_ = nullptr;
  finished_ok_ = ok;
  return ok;
}

}  // namespace host
