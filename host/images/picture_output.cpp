#include "images/picture_output.h"

#include "images/gif_palette.h"

#include <gif_lib.h>

#include <cstring>

#include "core/atomic_file.h"

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

int64_t centis(int64_t ms) { return (ms + 5) / 10; }

// A colour map of `colours`, padded to the power of two entries GIF wants.
ColorMapObject* make_map(std::vector<GifColorType> colours) {
  size_t entries = 2;
  while (entries < colours.size()) entries *= 2;
  colours.resize(entries, GifColorType{0, 0, 0});
  return GifMakeMapObject(int(entries), colours.data());
}

uint32_t rgb_at(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

// stb_image_write hands the encoded file to this; the file keeps a failed write for its commit.
void put_png(void* file, void* data, int size) {
  static_cast<AtomicFile*>(file)->write(data, size_t(size));
}

}  // namespace

bool write_png(const std::filesystem::path& path, int width, int height,
               const std::vector<uint8_t>& rgba, std::string* error) {
  auto failed = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * 4)
    return failed(path.string() + ": bad picture size");
  try {
    AtomicFile out(path);
    if (stbi_write_png_to_func(put_png, &out, width, height, 4, rgba.data(), width * 4) == 0)
      return failed(path.string() + ": cannot encode the picture");
    out.commit();
    return true;
  } catch (const OutputError& e) {
    return failed(e.what());
  }
}

GifRecorder::GifRecorder(const std::filesystem::path& path, int width, int height)
    : width_(width), height_(height) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    error_ = "bad picture size";
    return;
  }
  path_ = path.string();
  try {
    out_ = std::make_unique<AtomicFile>(path);
  } catch (const OutputError& e) {
    error_ = e.what();
    return;
  }
  int err = 0;
  gif_ = EGifOpen(out_.get(), put, &err);
  if (!gif_) {
    out_.reset();
    error_ = path_ + ": cannot write: " + GifErrorString(err);
    return;
  }
  EGifSetGifVersion(gif_, true);
}

int GifRecorder::put(GifFileType* gif, const GifByteType* bytes, int size) {
  return static_cast<AtomicFile*>(gif->UserData)->write(bytes, size_t(size)) ? size : 0;
}

void GifRecorder::fail(const std::string& what, int gif_error) {
  int err = 0;
  if (gif_) EGifCloseFile(gif_, &err);
  gif_ = nullptr;
  error_ = path_ + ": " + what + ": " + GifErrorString(gif_error);
  if (out_ && out_->failed()) {
    try {
      out_->commit();  // throws the write's reason and removes the temporary
    } catch (const OutputError& e) {
      error_ = e.what();
    }
  }
  out_.reset();
}

bool GifRecorder::write_header(const std::vector<GifColorType>& colours) {
  // The first frame's colours are the file's own: later frames that need no others bring none.
  ColorMapObject* map = make_map(colours);
  bool ok = map && EGifPutScreenDesc(gif_, width_, height_, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  global_.clear();
  for (size_t i = 0; i < colours.size(); ++i)
    global_.emplace(uint32_t(colours[i].Red) << 16 | uint32_t(colours[i].Green) << 8 | colours[i].Blue,
                    uint8_t(i));
  // Loop forever.
  static const GifByteType loop[3] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_OK &&
       EGifPutExtensionBlock(gif_, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
  if (!ok) fail("cannot write the GIF header", gif_->Error);
  return ok;
}

bool GifRecorder::in_file_colours(int x1, int y1, int x2, int y2, std::vector<uint8_t>& indices) const {
  indices.clear();
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) {
      auto it = global_.find(rgb_at(&pending_[(size_t(y) * size_t(width_) + size_t(x)) * 4]));
      if (it == global_.end()) return false;
      indices.push_back(it->second);
    }
  return true;
}

GifRecorder::~GifRecorder() {
  if (gif_) finish();
}

void GifRecorder::add_frame(const std::vector<uint8_t>& rgba, int64_t t_ms) {
  const size_t bytes = size_t(width_) * size_t(height_) * 4;
  if (!gif_ || rgba.size() < bytes) return;
  std::vector<uint8_t> q(rgba.begin(), rgba.begin() + long(bytes));
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
  const size_t row = size_t(width_) * 4;
  int x1 = 0, y1 = 0, x2 = width_, y2 = height_;
  if (written_ > 0) {
    x1 = width_, y1 = height_, x2 = 0, y2 = 0;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* a = &pending_[size_t(y) * row];
      const uint8_t* b = &shown_[size_t(y) * row];
      if (std::memcmp(a, b, row) == 0) continue;
      y1 = std::min(y1, y);
      y2 = y + 1;
      for (int x = 0; x < width_; ++x)
        if (std::memcmp(a + size_t(x) * 4, b + size_t(x) * 4, 3) != 0) {
          x1 = std::min(x1, x);
          x2 = std::max(x2, x + 1);
        }
    }
    if (x2 <= x1) x1 = 0, y1 = 0, x2 = 1, y2 = 1;  // no change: a one-pixel frame carries the delay
  }

  // The file's colours when they hold the rectangle's, else the rectangle's own. The first
  // frame's colours become the file's (the header goes with it); a later frame of its own colours
  // carries them.
  const bool first = written_ == 0;
  GifFramePalette colours;
  const bool own = first || !in_file_colours(x1, y1, x2, y2, colours.indices);
  if (own) colours = gif_frame_palette(pending_.data(), width_, x1, y1, x2, y2);
  if (first && !write_header(colours.colours)) return false;
  const bool carries_map = own && !first;
  ColorMapObject* map = carries_map ? make_map(colours.colours) : nullptr;
  GifByteType gce[4] = {0x04, GifByteType(delay & 0xFF), GifByteType(delay >> 8), 0};
  bool ok = (map || !carries_map) && EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_OK &&
            EGifPutImageDesc(gif_, x1, y1, x2 - x1, y2 - y1, false, map) == GIF_OK;
  if (map) GifFreeMapObject(map);
  const int w = x2 - x1;
  for (int y = 0; ok && y < y2 - y1; ++y)
    ok = EGifPutLine(gif_, const_cast<GifPixelType*>(&colours.indices[size_t(y) * size_t(w)]), w) == GIF_OK;
  // giflib keeps its copy of a frame's colour map and, should the next frame have none, forgets
  // it without freeing it: it goes here, once the frame is written.
  if (gif_->Image.ColorMap) {
    GifFreeMapObject(gif_->Image.ColorMap);
    gif_->Image.ColorMap = nullptr;
  }
  if (!ok) {
    fail("cannot write a GIF frame", gif_->Error);
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
  // A recording without a frame is still a GIF: a black screen.
  if (written_ == 0 && !write_header({GifColorType{0, 0, 0}})) return false;
  int err = 0;
  GifFileType* gif = gif_;
  gif_ = nullptr;
  if (EGifCloseFile(gif, &err) != GIF_OK) {
    fail("cannot finish the GIF", err);
    return false;
  }
  try {
    out_->commit();
  } catch (const OutputError& e) {
    error_ = e.what();
    ok = false;
  }
  out_.reset();
  finished_ok_ = ok;
  return ok;
}

}  // namespace host
