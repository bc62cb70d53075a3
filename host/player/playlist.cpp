#include "player/playlist.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "core/file_kind.h"
#include "core/wstr.h"
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

void read_folder(const fs::path& dir, std::vector<fs::path>& out) {
  std::vector<fs::path> files, folders;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) throw std::runtime_error("cannot read the folder " + dir.string() + ": " + ec.message());
  for (const fs::directory_entry& e : it) {
    if (hidden(e.path())) continue;
    std::error_code sec;
    if (e.is_directory(sec)) {
      if (!e.is_symlink(sec)) folders.push_back(e.path());
    } else if (e.is_regular_file(sec) && is_audio_file(e.path())) {
      files.push_back(e.path());
    }
  }
  std::sort(files.begin(), files.end(), name_less);
  std::sort(folders.begin(), folders.end(), name_less);
  out.insert(out.end(), files.begin(), files.end());
  for (const fs::path& f : folders) read_folder(f, out);
}

// `rel` below `base`, each component matched exactly or else without regard to case.
std::optional<fs::path> find_case_insensitive(const fs::path& base, const fs::path& rel) {
  fs::path cur = base;
  for (const fs::path& part : rel) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      cur = cur.parent_path();
      continue;
    }
    std::error_code ec;
    if (fs::exists(cur / part, ec)) {
      cur /= part;
      continue;
    }
    std::string want = ascii_lower(name);
    std::optional<fs::path> hit;
    for (const fs::directory_entry& e : fs::directory_iterator(cur, ec)) {
      if (ascii_lower(e.path().filename().string()) == want) {
        hit = e.path();
        break;
      }
    }
    if (!hit) return std::nullopt;
    cur = *hit;
  }
  return cur;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

void read_list(const fs::path& list, Playlist& out) {
  if (const char* kind = special_file_kind(list))
    throw std::runtime_error("the play list " + list.string() + " is " + kind + ", not a file");
  std::ifstream in(list, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the play list " + list.string());
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  fs::path base = list.parent_path();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::string entry = line;
    std::replace(entry.begin(), entry.end(), '\\', '/');
    fs::path p(entry);
    if (p.is_relative()) p = base / p;
    std::optional<fs::path> found;
    std::error_code ec;
    if (fs::is_regular_file(p, ec)) {
      found = p;
    } else {
      fs::path rel = p.lexically_relative(p.root_path());
      found = find_case_insensitive(p.root_path(), rel);
      if (found && !fs::is_regular_file(*found, ec)) found.reset();
    }
    if (found)
      out.tracks.push_back(fs::absolute(*found).lexically_normal());
    else
      out.missing.push_back(line);
  }
}

// Moves the files without MPEG audio from `tracks` to `skipped`, keeping the order of both.
void skip_non_mpeg(Playlist& list) {
  std::vector<fs::path> kept;
  for (fs::path& t : list.tracks) {
    std::string problem = mpeg_audio_problem(t);
    if (problem.empty())
      kept.push_back(std::move(t));
    else
      list.skipped.push_back({std::move(t), std::move(problem)});
  }
  list.tracks = std::move(kept);
}

// " (skipped FILE: REASON[, and N more])", or nothing when none was skipped.
std::string first_skipped(const Playlist& list) {
  if (list.skipped.empty()) return {};
  const SkippedFile& s = list.skipped.front();
  std::string more = list.skipped.size() > 1
                         ? ", and " + std::to_string(list.skipped.size() - 1) + " more"
                         : std::string();
  return " (skipped " + s.file.string() + ": " + s.reason + more + ")";
}

}  // namespace

bool is_audio_file(const fs::path& file) {
  std::string e = lower_ext(file);
  return std::any_of(std::begin(kAudioExtensions), std::end(kAudioExtensions),
                     [&](const char* x) { return e == x; });
}

Playlist load_playlist(const fs::path& path) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st))
    throw std::runtime_error("no such folder or play list: " + path.string());
  Playlist out;
  fs::path abs = fs::absolute(path).lexically_normal();
  out.folder = fs::is_directory(st) ? abs : abs.parent_path();
  if (fs::is_directory(st)) {
    read_folder(abs, out.tracks);
    if (out.tracks.empty())
      throw std::runtime_error("no audio files in the folder " + path.string());
    skip_non_mpeg(out);
    if (out.tracks.empty())
      throw std::runtime_error("no MPEG audio in the folder " + path.string() + first_skipped(out));
  } else if (is_list_file(path)) {
    read_list(abs, out);
    skip_non_mpeg(out);
    if (out.tracks.empty()) {
      std::string msg = "the play list " + path.string() + " names no existing " +
                        (out.skipped.empty() ? "audio file" : "file with MPEG audio");
      if (!out.missing.empty()) msg += " (first missing entry: " + out.missing.front() + ")";
      msg += first_skipped(out);
      throw std::runtime_error(msg);
    }
  } else if (is_audio_file(path)) {
    std::string problem = mpeg_audio_problem(abs);
    if (!problem.empty())
      throw std::runtime_error("not MPEG audio: " + path.string() + ": " + problem);
    out.tracks.push_back(abs);
  } else {
    throw std::runtime_error("not a folder, an .m3u/.m3u8 play list or an audio file: " +
                             path.string());
  }
  return out;
}

}  // namespace host
