// Exact play length of an MP3 (MPEG audio) file, from libmpg123 after a scan of every frame:
// estimates from the first frame or from TagLib are wrong for VBR files without a Xing header.
// The scan stops where frames stop (junk or zeros after the audio end it after
// kResyncLimitBytes), so a huge file with little audio in it is measured quickly.
#pragma once

#include <cstdint>
#include <filesystem>

namespace host {

// Length in milliseconds (decoded samples × 1000 / sample rate, truncated); 0 when the file
// cannot be opened or holds no decodable MPEG audio.
int64_t mp3_length_ms(const std::filesystem::path& file);

// Length in whole seconds (samples / sample rate, truncated); 0 when undecodable.
int mp3_length_seconds(const std::filesystem::path& file);

}  // namespace host
