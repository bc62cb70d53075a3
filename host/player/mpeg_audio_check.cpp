#include "player/mpeg_audio_check.h"

#include <id3v2header.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_kind.h"
#include "player/mpg123_handle.h"

namespace host {
namespace {

// Room past the search window for the first frame itself and the header after it (the longest
// frame, Layer II at 384 kbit/s and 32 kHz, is 1728 bytes).
constexpr size_t kFrameSlackBytes = 4 * 1024;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What libmpg123 reads: the bytes [start, end) of the file, seen as a file of their own. It may
// seek within them (it reads ahead to confirm a frame), never outside.
struct Window {
  std::FILE* f;
  long start, end;
  long pos = 0;    // from start
  long at = -1;    // where the file stands (stdio drops its buffer on every seek)
};

mpg123_ssize_t read_window(void* handle, void* buf, size_t count) {
  auto* w = static_cast<Window*>(handle);
  size_t want = std::min<size_t>(count, size_t(std::max(0L, w->end - w->start - w->pos)));
  if (want == 0) return 0;
  if (w->at != w->start + w->pos && std::fseek(w->f, w->start + w->pos, SEEK_SET) != 0) return -1;
  size_t n = std::fread(buf, 1, want, w->f);
  w->pos += long(n);
  w->at = w->start + w->pos;
  return mpg123_ssize_t(n);
}

off_t seek_window(void* handle, off_t offset, int whence) {
  auto* w = static_cast<Window*>(handle);
  long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? w->pos : w->end - w->start;
  long to = base + long(offset);
  if (to < 0 || to > w->end - w->start) {
    errno = EINVAL;
    return -1;
  }
  w->pos = to;
  return to;
}

}  // namespace

std::string mpeg_audio_problem(const std::filesystem::path& file) {
  if (const char* kind = special_file_kind(file)) return std::string("it is ") + kind + ", not a file";
  File f(std::fopen(file.c_str(), "rb"));
  if (!f) return std::string("cannot read it: ") + std::strerror(errno);
  unsigned char head[10];
  size_t got = std::fread(head, 1, sizeof head, f.get());
  if (got == 0) return "empty file";

  long start = 0;
  TagLib::ByteVector bytes(reinterpret_cast<const char*>(head), unsigned(got));
  if (got == sizeof head && bytes.startsWith(TagLib::ID3v2::Header::fileIdentifier())) {
    TagLib::ID3v2::Header tag(bytes);
    start = long(tag.completeTagSize());
  }
  if (std::fseek(f.get(), 0, SEEK_END) != 0)
    return "cannot read it: " + std::string(std::strerror(errno));
  long size = std::ftell(f.get());

  Mpg123 h = new_mpg123();
  if (!h) return "the MP3 decoder cannot start";
  Window w{f.get(), start, std::min(size, start + long(kFrameSearchBytes + kFrameSlackBytes))};
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_replace_reader_handle(h.get(), &read_window, &seek_window, nullptr) != MPG123_OK ||
      mpg123_open_handle(h.get(), &w) != MPG123_OK ||
      mpg123_getformat(h.get(), &rate, &channels, &encoding) != MPG123_OK)
    return start > 0 ? "no MPEG audio frame in the 64 KiB after its ID3v2 tag"
                     : "no MPEG audio frame in its first 64 KiB";
  return {};
}

}  // namespace host
