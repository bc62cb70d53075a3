#include "player/track_decoder.h"

#include <algorithm>

namespace host {

TrackDecoder::TrackDecoder(const std::filesystem::path& file) : h_(new_mpg123()) {
  if (!h_) return;
  // 16-bit output at the stream's own rate and channel count; the sound output converts.
  mpg123_format_none(h_.get());
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(h_.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  int encoding = 0;
  if (mpg123_open(h_.get(), file.c_str()) != MPG123_OK ||
      mpg123_getformat(h_.get(), &rate_, &channels_, &encoding) != MPG123_OK || rate_ <= 0 ||
      channels_ <= 0) {
    h_.reset();
    end_ = true;
  }
}

int64_t TrackDecoder::position_ms() const {
  return rate_ > 0 ? base_ms_ + frames_ * 1000 / rate_ : base_ms_;
}

void TrackDecoder::take_format() {
  base_ms_ = position_ms();
  frames_ = 0;
  format_pending_ = false;
  int encoding = 0;
  if (mpg123_getformat(h_.get(), &rate_, &channels_, &encoding) != MPG123_OK || rate_ <= 0 ||
      channels_ <= 0)
    end_ = true;
}

void TrackDecoder::seek(int64_t ms) {
  if (!h_) return;
  if (format_pending_) take_format();
  ms = std::max<int64_t>(ms, 0);
  off_t want = off_t(ms * rate_ / 1000);
  off_t got = mpg123_seek(h_.get(), want, SEEK_SET);
  end_ = got < 0;
  base_ms_ = got == want || got < 0 ? ms : int64_t(got) * 1000 / rate_;
  frames_ = 0;
}

void TrackDecoder::decode(int64_t until_ms, std::vector<int16_t>& pcm) {
  pcm.clear();
  if (end_) return;
  if (format_pending_) take_format();
  size_t bytes = 0;
  while (!end_) {
    // Whole sample frames up to until_ms, rounded up so that position_ms() reaches it.
    int64_t left = ((until_ms - base_ms_) * rate_ + 999) / 1000 - frames_;
    if (left <= 0) break;
    size_t frame_bytes = size_t(channels_) * sizeof(int16_t);
    size_t need = size_t(left) * frame_bytes;
    pcm.resize((bytes + need) / sizeof(int16_t));
    size_t done = 0;
    int r = mpg123_read(h_.get(), reinterpret_cast<unsigned char*>(pcm.data()) + bytes, need,
                        &done);
    bytes += done;
    frames_ += int64_t(done / frame_bytes);
    if (r == MPG123_NEW_FORMAT) {
      if (bytes > 0) {
        format_pending_ = true;  // give what there is in the old format first
        break;
      }
      take_format();
    } else if (r != MPG123_OK || done == 0) {
      end_ = true;  // MPG123_DONE, or a stream that decodes no further
    }
  }
  pcm.resize(bytes / sizeof(int16_t));
}

}  // namespace host
