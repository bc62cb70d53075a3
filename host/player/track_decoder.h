// One track's sound: libmpg123 decoding an MP3 file to 16-bit PCM from any position, counting how
// far it has decoded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "player/mpg123_handle.h"

namespace host {

class TrackDecoder {
 public:
  // Opens `file` at its start; ok() is false when it holds no decodable MPEG audio.
  explicit TrackDecoder(const std::filesystem::path& file);

  bool ok() const { return h_ != nullptr; }
  // The format of what decode() gives: sample rate and channels (1 or 2).
  long rate() const { return rate_; }
  int channels() const { return channels_; }
  // How far the track has been decoded, in ms from its start.
  int64_t position_ms() const;
  bool at_end() const { return end_; }

  // Goes to `ms` from the track's start (past the end: at_end()).
  void seek(int64_t ms);
  // Decodes from position_ms() up to `until_ms` into `pcm` (interleaved samples in rate() and
  // channels(), replacing what it held). Stops early at the end of the stream, or where the
  // stream's format changes: the next call goes on in the new format.
  void decode(int64_t until_ms, std::vector<int16_t>& pcm);

 private:
  void take_format();  // the format libmpg123 now gives, counted from the position reached

  Mpg123 h_;
  long rate_ = 0;
  int channels_ = 0;
  int64_t base_ms_ = 0;  // position where the current format (or the last seek) began
  int64_t frames_ = 0;   // sample frames decoded since base_ms_
  bool end_ = false;
  bool format_pending_ = false;  // a new format begins with the next call
};

}  // namespace host
