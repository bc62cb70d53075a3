// A libmpg123 decoder handle as the phone uses it everywhere: quiet, skipping ID3v2 tags unread,
// and with the junk bounds fixed here rather than left to the library's defaults (see new_mpg123).
#pragma once

#include <mpg123.h>

#include <memory>

namespace host {

struct Mpg123Deleter {
  void operator()(mpg123_handle* h) const;
};
using Mpg123 = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// How far libmpg123 searches for frame sync after a frame that does not lead to another one (junk
// or zeros after the audio, a damaged stretch): beyond this many bytes the stream has ended. The
// search for the first frame goes up to 64 KiB past the ID3v2 tag whatever this says.
constexpr long kResyncLimitBytes = 1024;

// A new handle, or null when the library cannot start.
Mpg123 new_mpg123();

}  // namespace host
