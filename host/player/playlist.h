// The media player's play lists: a folder of audio files or an .m3u/.m3u8 list, keeping only the
// files that hold MPEG audio (see mpeg_audio_check.h).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

// The most of a list file that is read: a list of 50,000 long paths is a fraction of it, and an
// endless file ends there.
constexpr size_t kMaxListBytes = size_t(64) << 20;

// An audio file or a folder left out of the list, and why.
struct SkippedFile {
  std::filesystem::path file;
  std::string reason;  // such as "no MPEG audio frame in its first 64 KiB"
};

struct Playlist {
  std::vector<std::filesystem::path> tracks;  // absolute paths of MPEG audio files, in order
  std::vector<std::string> missing;           // list entries that name no file (skipped)
  std::vector<SkippedFile> skipped;           // files and folders left out, in list order
  std::filesystem::path folder;               // the folder read, the list's or the file's folder
};

// True for a file name with an audio extension (.mp3, .m4a, .aac, .wav, .ogg, .flac, ...),
// regardless of case.
bool is_audio_file(const std::filesystem::path& file);

// A folder: its audio files sorted by name (without regard to case), then its subfolders in
// name order, each read the same way. Hidden entries (names beginning with '.') are left out; a
// link to a folder is followed once, and a folder reached a second time (a loop) is skipped.
// A file whose name is no UTF-8 is the phone's in Latin-1 (files/phone_names.h); one whose name
// the phone would read as another file's UTF-8 name is skipped, so that no track is ever mistaken
// for another.
// An .m3u or .m3u8 list of at most kMaxListBytes: UTF-8 text (a byte-order mark is allowed), one path a line; lines
// beginning with '#' and blank lines are ignored; '\' separators are accepted; relative paths
// are resolved against the list's folder, names matched as the phone matches them (without regard
// to case, a Latin-1 name by its phone name) when the exact name does not exist; each folder is
// listed at most once, and each file checked once. Entries that name no file are skipped and listed in `missing`.
// A single audio file: a list of that file.
// Every file found is checked with a bounded read (mpeg_audio_problem): files without an MPEG
// audio frame near their start (junk, other audio formats such as .ogg or .m4a) are left out and
// listed in `skipped`.
// Throws std::runtime_error with a message naming the path when it does not exist, cannot be
// read, is neither a folder, a list nor an audio file, or yields no track (naming the first file
// skipped and why, when files were skipped).
Playlist load_playlist(const std::filesystem::path& path);

}  // namespace host
