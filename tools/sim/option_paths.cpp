#include "sim/option_paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "player/playlist.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

// The folder a picture goes into, made when missing; throws InputError naming `option`.
void make_folder(const fs::path& folder, const char* option) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    throw InputError(std::string(option) + ": cannot make the folder " + quoted(folder) + ": " +
                     ec.message());
}

}  // namespace

std::string quoted(const fs::path& p) {
  std::string out = "\"";
  out += p.string();
  out += '"';
  return out;
}

std::unique_ptr<skin::UnpackedSkin> unpack_skin(const SimOptions& o) {
  std::error_code ec;
  if (!skin::is_packed(o.skin) || fs::is_directory(o.skin, ec)) return nullptr;
  try {
    return std::make_unique<skin::UnpackedSkin>(o.skin);
  } catch (const skin::UnpackError& e) {
    throw InputError(std::string("--skin: ") + e.what());
  }
}

SimOptions with_unpacked_skin(SimOptions o, const skin::UnpackedSkin* packed) {
  if (packed) o.skin = packed->dir();
  return o;
}

void check_paths(const SimOptions& o, bool needs_music, std::ostream& log) {
  std::error_code ec;
  if (needs_music) {
    try {
      host::Playlist list = host::load_playlist(o.music);
      for (const std::string& m : list.missing)
        log << "tunestrip-sim: warning: " << o.music.string() << ": no file for \"" << m
            << "\" (skipped)\n";
      for (const host::SkippedFile& f : list.skipped)
        log << "tunestrip-sim: warning: " << f.file.string() << ": " << f.reason << " (skipped)\n";
    } catch (const std::exception& e) {
      throw InputError(std::string("--music: ") + e.what());
    }
  }
  if (!o.phone.empty()) {
    if (fs::exists(o.phone, ec) && !fs::is_directory(o.phone, ec))
      throw InputError("--phone: " + quoted(o.phone) + " is not a folder");
    fs::create_directories(o.phone, ec);
    if (ec)
      throw InputError("--phone: cannot make the folder " + quoted(o.phone) + ": " + ec.message());
  }
  if (!fs::exists(o.skin, ec)) throw InputError("--skin: " + quoted(o.skin) + ": no such folder");
  if (!fs::is_directory(o.skin, ec))
    throw InputError("--skin: " + quoted(o.skin) + " is not a folder nor a packed skin (.zip)");
  if (!o.config.empty() && !fs::exists(o.config, ec))
    throw InputError("--config: " + quoted(o.config) + ": no such file");
  if (!o.config.empty() && !fs::is_regular_file(o.config, ec))
    throw InputError("--config: " + quoted(o.config) + " is not a file");
  if (fs::exists(o.out, ec) && !fs::is_directory(o.out, ec))
    throw InputError("--out: " + quoted(o.out) + " is not a folder");
  // The trace is opened here to name the option and the reason; the phone writes it anew.
  if (!o.trace.empty() && o.trace != "-") {
    const fs::path trace = o.trace;
    if (fs::is_directory(trace, ec)) throw InputError("--trace: " + quoted(trace) + " is a folder");
    std::FILE* f = std::fopen(o.trace.c_str(), "a");
    if (!f)
      throw InputError("--trace: cannot write " + quoted(trace) + ": " + std::strerror(errno));
    std::fclose(f);
  }
  if (!o.gif.empty()) {
    // A relative GIF goes into the picture folder: a folder that cannot be made is --out's fault.
    if (!o.gif.is_absolute()) make_folder(o.out, "--out");
    make_folder(gif_path(o).parent_path(), "--gif");
    if (fs::is_directory(gif_path(o), ec))
      throw InputError("--gif: " + quoted(gif_path(o)) + " is a folder");
  }
}

fs::path gif_path(const SimOptions& o) {
  return o.gif.empty() || o.gif.is_absolute() ? o.gif : o.out / o.gif;
}

std::string read_script(const std::string& path) {
  if (path == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    return s.str();
  }
  std::error_code ec;
  if (!fs::exists(path, ec)) throw InputError("--script: \"" + path + "\": no such file");
  if (!fs::is_regular_file(path, ec)) throw InputError("--script: \"" + path + "\" is not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError("--script: cannot read \"" + path + "\": " + std::strerror(errno));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace sim
