// Pictures of the screen: PNG files (stb_image_write) and animated GIFs (giflib), each written
// whole or not at all (core/atomic_file.h): a picture that cannot be written leaves an earlier
// file of its name as it was.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct GifFileType;

namespace host {

class AtomicFile;

// Writes RGBA pixels (4 bytes each, rows top first) as a PNG file; false on failure, with
// `error` naming the file and the reason ("shot.png: cannot write: No space left on device").
bool write_png(const std::filesystem::path& path, int width, int height,
               const std::vector<uint8_t>& rgba, std::string* error = nullptr);

// Records an animated GIF of the screen. Each frame carries its virtual time; a frame is written
// once the next one arrives, with the true delay between them (in the GIF's centiseconds, kept
// exact over the whole run by rounding the times rather than the delays). Frames that change
// nothing only lengthen the previous frame, a later frame at the same time replaces the earlier
// one, and each written frame holds only the rectangle that changed, in colours of its own
// (gif_palette.h: exact up to 256 colours, quantised and dithered beyond).
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
  // and puts the file in place. False when anything could not be written: error() names the
  // file and the reason, and no file of the path has changed.
  bool finish(int64_t end_ms = -1);

  size_t frames_written() const { return written_; }

 private:
  bool write_pending(int64_t until_ms);
  // The screen descriptor with the file's colour map (the first frame's colours), and the loop.
  bool write_header(const std::vector<GifColorType>& colours);
  // The pending frame's rectangle as indices into the file's colour map, if it holds them all.
  bool in_file_colours(int x1, int y1, int x2, int y2, std::vector<uint8_t>& indices) const;
  // Ends the file after a failure of giflib's: the reason is the file's own when a write failed.
  void fail(const std::string& what, int gif_error);
  static int put(GifFileType* gif, const GifByteType* bytes, int size);

  std::unique_ptr<AtomicFile> out_;
  GifFileType* gif_ = nullptr;
  std::string path_;
  std::unordered_map<uint32_t, uint8_t> global_;  // the file's colour map: RGB -> index
  int width_;
  int height_;
  std::string error_;
  bool finished_ok_ = false;
  std::vector<uint8_t> shown_;    // the picture (RGBA) the file shows so far
  std::vector<uint8_t> pending_;  // the frame (RGBA) waiting for its delay
  bool has_pending_ = false;
  int64_t pending_t_ = 0;
  size_t written_ = 0;
};

}  // namespace host
