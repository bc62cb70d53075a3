#include "sim/option_paths.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "config/bcfg.h"
#include "core/file_kind.h"
#include "core/whole_io.h"
#include "files/phone_names.h"
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

// Reads up to `most` bytes, and one more to tell a longer input; false with errno on a failure.
bool read_up_to(int fd, size_t most, std::string& out) {
  out.assign(most + 1, '\0');
  bool failed = false;
  out.resize(host::read_whole(fd, out.data(), out.size(), &failed));
  return !failed;
}

// A configuration given as a pipe is read once, into a file in memory that takes the pipe's
// descriptor number: the path then names that file for the rest of the run.
void settle_config_pipe(const fs::path& path) {
  if (!host::is_given_pipe(path)) return;
  const int fd = host::descriptor_path(path);
  std::string bytes;
  if (!read_up_to(fd, bcfg::kSize, bytes))
    throw InputError("--config: cannot read " + quoted(path) + ": " + std::strerror(errno));
  const int mem = ::memfd_create("tunestrip-config", MFD_CLOEXEC);
  if (mem < 0 || ::write(mem, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
      ::dup3(mem, fd, 0) < 0) {
    const int e = errno;
    if (mem >= 0) ::close(mem);
    throw InputError("--config: cannot keep what " + quoted(path) + " gave: " + std::strerror(e));
  }
  ::close(mem);
}

}  // namespace

std::string quoted(const fs::path& p) {
  std::string out = "\"";
  out += host::escaped_name(p.native());
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

std::optional<host::Playlist> check_paths(const SimOptions& o, bool needs_music, std::ostream& log) {
  std::error_code ec;
  std::optional<host::Playlist> music;
  if (needs_music) {
    try {
      music = host::load_playlist(o.music);
      for (const std::string& m : music->missing)
        log << "tunestrip-sim: warning: " << host::escaped_name(o.music.native()) << ": no file for \""
            << host::escaped_name(m) << "\" (skipped)\n";
      for (const host::SkippedFile& f : music->skipped)
        log << "tunestrip-sim: warning: " << host::escaped_name(f.file.native()) << ": " << f.reason
            << " (skipped)\n";
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
  if (!o.config.empty()) settle_config_pipe(o.config);
  if (!o.config.empty() && !fs::exists(o.config, ec))
    throw InputError("--config: " + quoted(o.config) + ": no such file");
  if (const char* kind = o.config.empty() ? nullptr : host::special_file_kind(o.config))
    throw InputError("--config: " + quoted(o.config) + " is " + kind + ", not a file");
  if (fs::exists(o.out, ec) && !fs::is_directory(o.out, ec))
    throw InputError("--out: " + quoted(o.out) + " is not a folder");
  // The trace is opened here to name the option and the reason; the phone writes it anew.
  if (!o.trace.empty() && o.trace != "-") {
    const fs::path trace = o.trace;
    if (fs::is_directory(trace, ec)) throw InputError("--trace: " + quoted(trace) + " is a folder");
    // Asked without making the file, so that a run refused later leaves no empty trace behind.
    const fs::path folder = trace.has_parent_path() ? trace.parent_path() : fs::path(".");
    const bool writable = fs::exists(trace, ec) ? ::access(trace.c_str(), W_OK) == 0
                                                : ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (!writable)
      throw InputError("--trace: cannot write " + quoted(trace) + ": " + std::strerror(errno));
  }
  if (!o.gif.empty()) {
    // A relative GIF goes into the picture folder: a folder that cannot be made is --out's fault.
    if (!o.gif.is_absolute()) make_folder(o.out, "--out");
    make_folder(gif_path(o).parent_path(), "--gif");
    if (fs::is_directory(gif_path(o), ec))
      throw InputError("--gif: " + quoted(gif_path(o)) + " is a folder");
  }
  return music;
}

fs::path gif_path(const SimOptions& o) {
  return o.gif.empty() || o.gif.is_absolute() ? o.gif : o.out / o.gif;
}

std::string read_script(const std::string& path) {
  const std::string shown = path == "-" ? std::string("standard input") : quoted(fs::path(path));
  int fd = 0;  // standard input
  if (path != "-") {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) throw InputError("--script: " + shown + ": no such file");
    // A pipe or a FIFO is read as the script it carries (the user named it); a device is read
    // to the bound like any endless input.
    if (fs::is_directory(st) || st.type() == fs::file_type::socket)
      throw InputError("--script: " + shown + " is " + host::special_file_kind(st) + ", not a file");
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw InputError("--script: cannot read " + shown + ": " + std::strerror(errno));
  }
  std::string text;
  const bool ok = read_up_to(fd, kMaxScriptBytes, text);
  const int e = errno;
  if (fd != 0) ::close(fd);
  if (!ok) throw InputError("--script: cannot read " + shown + ": " + std::strerror(e));
  if (text.size() > kMaxScriptBytes)
    throw InputError("--script: " + shown + " is longer than the " +
                     std::to_string(kMaxScriptBytes >> 20) + " MiB a script may hold");
  return text;
}

}  // namespace sim
