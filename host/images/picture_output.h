// Pictures of the screen: PNG files (stb_image_write) and animated GIFs (giflib).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct GifFileType;

namespace host {

// Writes RGBA pixels (4 bytes each, rows top first) as a PNG file; false on failure.
bool write_png(const std::filesystem::path& path, int width, int height,
               const std::vector<uint8_t>& rgba);

// The palette every recorded GIF uses: a 6 × 6 × 6 colour cube (levels 0, 51, … 255, so black,
// white and the pure primaries and secondaries are exact) and a ramp of 40 neutral greys, which
// keeps the dark greys of the screens smooth and untinted. Returns the palette index nearest an
// RGB colour (exact for the RGB565 colours of the screen, through a table made once).
uint8_t gif_palette_index(uint8_t r, uint8_t g, uint8_t b);

// Records an animated GIF of the screen. Each frame carries its virtual time; a frame is written
// once the next one arrives, with the true delay between them (in the GIF's centiseconds, kept
// exact over the whole run by rounding the times rather than the delays). Frames that change
// nothing only lengthen the previous frame, a later frame at the same time replaces the earlier
// one, and each written frame holds only the rectangle that changed.
class GifRecorder {
 public:
  // Opens `path` for a width × height animation that loops forever; see ok() and error().
  GifRecorder(const std::filesystem::path& path, int width, int height);
  ~GifRecorder();  // finishes the file when finish() was not called
  GifRecorder(const GifRecorder&) = delete;
  GifRecorder& operator=(const GifRecorder&) = delete;

  bool ok() const { return gif_ != nullptr || finished_ok_; }
  const std::string& error() const { return error_; }

  // Adds the screen as it looks from time t_ms on (RGBA, width × height × 4 bytes; times that go
  // backwards are taken as the last time).
  void add_frame(const std::vector<uint8_t>& rgba, int64_t t_ms);
  // Writes the last frame, shown until end_ms (or for one second when end_ms is not after it),
  // and closes the file. False when anything could not be written.
  bool finish(int64_t end_ms = -1);

  size_t frames_written() const { return written_; }

 private:
  bool write_pending(int64_t until_ms);

  GifFileType* gif_ = nullptr;
  int width_;
  int height_;
  std::string error_;
  bool finished_ok_ = false;
  std::vector<uint8_t> shown_;    // palette indices of the picture the file shows so far
  std::vector<uint8_t> pending_;  // palette indices of the frame waiting for its delay
  bool has_pending_ = false;
  int64_t pending_t_ = 0;
  int64_t shown_cs_ = 0;          // time (centiseconds) up to which frames have been written
  size_t written_ = 0;
};

}  // namespace host
