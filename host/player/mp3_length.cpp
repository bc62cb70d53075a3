#include "player/mp3_length.h"

#include "player/mpg123_handle.h"

namespace host {

int64_t mp3_length_ms(const std::filesystem::path& file) {
  Mpg123 h = new_mpg123();
  if (!h || mpg123_open(h.get(), file.c_str()) != MPG123_OK) return 0;
  // The scan walks every frame, so the sample count is exact for any bitrate mix; junk after the
  // audio ends it after kResyncLimitBytes without a frame.
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
