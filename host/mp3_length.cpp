#include "host/mp3_length.h"

#include <mpg123.h>

#include <memory>

namespace host {
namespace {

struct HandleDeleter {
  void operator()(mpg123_handle* h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

// mpg123_init is a no-op since 1.27 but still required by older libraries; once is enough.
bool library_ready() {
  static const bool ok = mpg123_init() == MPG123_OK;
  return ok;
}

}  // namespace

int64_t mp3_length_ms(const std::filesystem::path& file) {
  if (!library_ready()) return 0;
  int err = MPG123_OK;
  Handle h(mpg123_new(nullptr, &err));
  if (!h || err != MPG123_OK) return 0;
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  if (mpg123_open(h.get(), file.c_str()) != MPG123_OK) return 0;
  // The scan walks every frame, so the sample count is exact for any bitrate mix.
  if (mpg123_scan(h.get()) != MPG123_OK) return 0;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(h.get(), &rate, &channels, &encoding) != MPG123_OK || rate <= 0) return 0;
  off_t samples = mpg123_length(h.get());
  if (samples <= 0) return 0;
  return int64_t(samples) * 1000 / rate;
}

int mp3_length_seconds(const std::filesystem::path& file) {
  return int(mp3_length_ms(file) / 1000);
}

}  // namespace host
