// What kind of thing a path names, when it is no regular file: a FIFO or a device would block an
// open or a read, or never end, so the phone and its tools read only files.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace host {

// "a folder", "a FIFO", "a socket", "a device"; null for a regular file or nothing at all.
inline const char* special_file_kind(const std::filesystem::file_status& st) {
  using std::filesystem::file_type;
  switch (st.type()) {
    case file_type::regular:
    case file_type::not_found:
    case file_type::none: return nullptr;
    case file_type::directory: return "a folder";
    case file_type::fifo: return "a FIFO";
    case file_type::socket: return "a socket";
    default: return "a device";
  }
}

inline const char* special_file_kind(const std::filesystem::path& p) {
  std::error_code ec;
  return special_file_kind(std::filesystem::status(p, ec));
}

// The descriptor a /dev/stdin, /dev/fd/N or /proc/self/fd/N path names, or -1 for another path.
inline int descriptor_path(const std::filesystem::path& p) {
  const std::string s = p.string();
  if (s == "/dev/stdin") return 0;
  for (std::string_view pre : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/")}) {
    if (s.compare(0, pre.size(), pre) != 0 || s.size() == pre.size() || s.size() > pre.size() + 6)
      continue;
    int fd = 0;
    for (char c : s.substr(pre.size())) {
      if (c < '0' || c > '9') return -1;
      fd = fd * 10 + (c - '0');
    }
    return fd;
  }
  return -1;
}

// True for a pipe the user handed over already open (`<(...)`, /dev/stdin): it has a writer, so
// reading it ends, unlike a FIFO named by its path.
inline bool is_given_pipe(const std::filesystem::path& p) {
  struct stat st {};
  const int fd = descriptor_path(p);
  return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace host
