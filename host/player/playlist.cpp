#include "player/playlist.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "core/file_kind.h"
#include "core/wstr.h"
#include "files/folder_index.h"
#include "files/phone_names.h"
#include "player/mpeg_audio_check.h"

namespace fs = std::filesystem;

namespace host {
namespace {

constexpr const char* kAudioExtensions[] = {".mp3", ".mp2", ".mp1", ".mpa", ".m4a", ".aac",
                                            ".wav", ".ogg", ".oga", ".opus", ".flac", ".wma",
                                            ".amr", ".awb", ".3gp", ".mp4", ".mid", ".midi"};

std::string lower_ext(const fs::path& p) { return ascii_lower(p.extension().string()); }

bool is_list_file(const fs::path& p) {
  std::string e = lower_ext(p);
  return e == ".m3u" || e == ".m3u8";
}

bool hidden(const fs::path& p) {
  std::string n = p.filename().string();
  return !n.empty() && n[0] == '.';
}

// Name order as a phone shows it: without regard to case, ties broken by the exact bytes.
bool name_less(const fs::path& a, const fs::path& b) {
  std::string na = a.filename().string(), nb = b.filename().string();
  std::string la = ascii_lower(na), lb = ascii_lower(nb);
  if (la != lb) return la < lb;
  return na < nb;
}

// What one load of a list learns once: the folders it has listed and the files it has checked.
struct Loader {
  Playlist& out;
  std::map<std::string, FolderIndex> indexes;
  std::set<std::pair<uint64_t, uint64_t>> folders_read;  // device and inode
  std::map<std::string, std::string> problems;           // file → why it holds no MPEG audio

  const FolderIndex& index(const fs::path& dir) {
    auto it = indexes.find(dir.native());
    if (it == indexes.end()) it = indexes.emplace(dir.native(), FolderIndex(dir)).first;
    return it->second;
  }

  // Why the phone cannot hold the name of `file`, or nothing when it can: another entry of its
  // folder, named in UTF-8, reads the same to the phone.
  std::optional<std::string> unheld(const fs::path& file) {
    const std::string name = file.filename().string();
    if (is_phone_utf8(name)) return std::nullopt;
    for (const FolderIndex::Entry& e : index(file.parent_path()).entries())
      if (e.bytes == name && !e.held)
        return "the phone reads its name (not UTF-8) as " +
               escaped_name(utf16_to_utf8(e.phone)) + ", which another file has";
    return std::nullopt;
  }

  void add(const fs::path& file) {
    if (auto why = unheld(file))
      out.skipped.push_back({file, *why});
    else
      out.tracks.push_back(file);
  }

  void read_folder(const fs::path& dir);
  void read_list(const fs::path& list);
  std::optional<fs::path> find(const fs::path& path);
  void skip_non_mpeg();
};

// The device and inode of a folder, to tell one reached again through a link.
std::pair<uint64_t, uint64_t> identity(const fs::path& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return {0, 0};
  return {uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

void Loader::read_folder(const fs::path& dir) {
  folders_read.insert(identity(dir));
  const FolderIndex& index = this->index(dir);
  if (index.error())
    throw std::runtime_error("cannot read the folder " + escaped_name(dir.native()) + ": " +
                             index.error().message());
  std::vector<fs::path> files, folders;
  for (const FolderIndex::Entry& e : index.entries()) {
    if (hidden(e.entry.path())) continue;
    std::error_code sec;
    if (e.entry.is_directory(sec)) {
      // A link to a folder is followed, once: a folder reached a second time is left out.
      if (!folders_read.insert(identity(e.entry.path())).second) {
        out.skipped.push_back({e.entry.path(), e.entry.is_symlink(sec)
                                                   ? "a link to a folder already read (a loop, or a second way in)"
                                                   : "a folder already read through a link"});
        continue;
      }
      folders.push_back(e.entry.path());
    } else if (e.entry.is_symlink(sec) && !e.entry.exists(sec)) {
      out.skipped.push_back({e.entry.path(), "a link to nothing"});
    } else if (e.entry.is_regular_file(sec) && is_audio_file(e.entry.path())) {
      files.push_back(e.entry.path());
    }
  }
  std::sort(files.begin(), files.end(), name_less);
  std::sort(folders.begin(), folders.end(), name_less);
  for (const fs::path& f : files) add(f);
  for (const fs::path& f : folders) read_folder(f);
}

// The file a list entry names: the path as it is, else each component matched by the phone's
// rules (without regard to case, a Latin-1 name by its phone name) in its folder's index.
std::optional<fs::path> Loader::find(const fs::path& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return path;
  fs::path cur = path.root_path();
  for (const fs::path& part : path.lexically_relative(path.root_path())) {
    const std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      cur = cur.parent_path();
      continue;
    }
    if (fs::exists(cur / part, ec)) {
      cur /= part;
      continue;
    }
    const FolderIndex::Entry* e = index(cur).find(name);
    if (!e) return std::nullopt;
    cur = e->entry.path();
  }
  if (!fs::is_regular_file(cur, ec)) return std::nullopt;
  return cur;
}

std::string trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

void Loader::read_list(const fs::path& list) {
  const std::string shown = escaped_name(list.native());
  if (const char* kind = special_file_kind(list))
    throw std::runtime_error("the play list " + shown + " is " + kind + ", not a file");
  std::ifstream in(list, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the play list " + shown);
  // No further than a list may reach, so that an endless file ends.
  std::string text(kMaxListBytes + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  if (in.bad()) throw std::runtime_error("cannot read the play list " + shown);
  text.resize(size_t(in.gcount()));
  if (text.size() > kMaxListBytes)
    throw std::runtime_error("the play list " + shown + " is longer than the " +
                             std::to_string(kMaxListBytes >> 20) + " MiB a play list may hold");
  std::string_view rest(text);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  const fs::path base = list.parent_path();
  while (!rest.empty()) {
    const size_t eol = std::min(rest.find('\n'), rest.size());
    const std::string line = trim(rest.substr(0, eol));
    rest.remove_prefix(std::min(eol + 1, rest.size()));
    if (line.empty() || line[0] == '#') continue;
    std::string entry = line;
    std::replace(entry.begin(), entry.end(), '\\', '/');
    fs::path p(entry);
    if (p.is_relative()) p = base / p;
    if (std::optional<fs::path> found = find(p))
      add(fs::absolute(*found).lexically_normal());
    else
      out.missing.push_back(line);
  }
}

// Moves the files without MPEG audio from `tracks` to `skipped`, keeping the order of both; a
// file the list names again is checked once.
void Loader::skip_non_mpeg() {
  std::vector<fs::path> kept;
  for (fs::path& t : out.tracks) {
    auto it = problems.find(t.native());
    if (it == problems.end()) it = problems.emplace(t.native(), mpeg_audio_problem(t)).first;
    if (it->second.empty())
      kept.push_back(std::move(t));
    else
      out.skipped.push_back({std::move(t), it->second});
  }
  out.tracks = std::move(kept);
}

// " (skipped FILE: REASON[, and N more])", or nothing when none was skipped.
std::string first_skipped(const Playlist& list) {
  if (list.skipped.empty()) return {};
  const SkippedFile& s = list.skipped.front();
  std::string more = list.skipped.size() > 1
                         ? ", and " + std::to_string(list.skipped.size() - 1) + " more"
                         : std::string();
  return " (skipped " + escaped_name(s.file.native()) + ": " + s.reason + more + ")";
}

}  // namespace

bool is_audio_file(const fs::path& file) {
  std::string e = lower_ext(file);
  return std::any_of(std::begin(kAudioExtensions), std::end(kAudioExtensions),
                     [&](const char* x) { return e == x; });
}

Playlist load_playlist(const fs::path& path) {
  const std::string shown = escaped_name(path.native());
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st)) throw std::runtime_error("no such folder or play list: " + shown);
  Playlist out;
  Loader load{out, {}, {}, {}};
  fs::path abs = fs::absolute(path).lexically_normal();
  out.folder = fs::is_directory(st) ? abs : abs.parent_path();
  if (fs::is_directory(st)) {
    load.read_folder(abs);
    if (out.tracks.empty())
      throw std::runtime_error("no audio files in the folder " + shown + first_skipped(out));
    load.skip_non_mpeg();
    if (out.tracks.empty())
      throw std::runtime_error("no MPEG audio in the folder " + shown + first_skipped(out));
  } else if (is_list_file(path)) {
    load.read_list(abs);
    load.skip_non_mpeg();
    if (out.tracks.empty()) {
      std::string msg = "the play list " + shown + " names no existing " +
                        (out.skipped.empty() ? "audio file" : "file with MPEG audio");
      if (!out.missing.empty())
        msg += " (first missing entry: " + escaped_name(out.missing.front()) + ")";
      msg += first_skipped(out);
      throw std::runtime_error(msg);
    }
  } else if (is_audio_file(path)) {
    if (auto why = load.unheld(abs)) throw std::runtime_error(shown + ": " + *why);
    std::string problem = mpeg_audio_problem(abs);
    if (!problem.empty()) throw std::runtime_error("not MPEG audio: " + shown + ": " + problem);
    out.tracks.push_back(abs);
  } else {
    throw std::runtime_error("not a folder, an .m3u/.m3u8 play list or an audio file: " + shown);
  }
  return out;
}

}  // namespace host
