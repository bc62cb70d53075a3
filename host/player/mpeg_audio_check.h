// Whether a file holds MPEG audio (MP3), found from a bounded read so that a large junk file costs
// no more than a real one: an ID3v2 tag at the start is skipped by its declared size, then
// libmpg123 looks for its first frame (a frame header followed by a consistent one) in the next
// 64 KiB, the junk it would skip before playing. Nothing past that window is read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace host {

// Bytes after the ID3v2 tag in which the first frame must start.
constexpr size_t kFrameSearchBytes = 64 * 1024;

// Empty when `file` holds MPEG audio; otherwise why not, in a few words ("empty file", "no MPEG
// audio frame in its first 64 KiB", ...).
std::string mpeg_audio_problem(const std::filesystem::path& file);

}  // namespace host
