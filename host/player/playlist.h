// The media player's play lists: a folder of audio files or an .m3u/.m3u8 list, keeping only the
// files that hold MPEG audio (see mpeg_audio_check.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host {

// An audio file left out of the list, and why.
struct SkippedFile {
  std::filesystem::path file;
  std::string reason;  // such as "no MPEG audio frame in its first 64 KiB"
};

struct Playlist {
  std::vector<std::filesystem::path> tracks;  // absolute paths of MPEG audio files, in order
  std::vector<std::string> missing;           // list entries that name no file (skipped)
  std::vector<SkippedFile> skipped;           // audio files without MPEG audio, in list order
  std::filesystem::path folder;               // the folder read, the list's or the file's folder
};

// True for a file name with an audio extension (.mp3, .m4a, .aac, .wav, .ogg, .flac, ...),
// regardless of case.
bool is_audio_file(const std::filesystem::path& file);

// A folder: its audio files sorted by name (without regard to case), then its subfolders in
// name order, each read the same way. Hidden entries (names beginning with '.') and symbolic
// links to folders are skipped.
// An .m3u or .m3u8 list: UTF-8 text (a byte-order mark is allowed), one path a line; lines
// beginning with '#' and blank lines are ignored; '\' separators are accepted; relative paths
// are resolved against the list's folder, names matched without regard to case when the exact
// name does not exist. Entries that name no file are skipped and listed in `missing`.
// A single audio file: a list of that file.
// Every file found is checked with a bounded read (mpeg_audio_problem): files without an MPEG
// audio frame near their start (junk, other audio formats such as .ogg or .m4a) are left out and
// listed in `skipped`.
// Throws std::runtime_error with a message naming the path when it does not exist, cannot be
// read, is neither a folder, a list nor an audio file, or yields no track (naming the first file
// skipped and why, when files were skipped).
Playlist load_playlist(const std::filesystem::path& path);

}  // namespace host
