// What kind of thing a path names, when it is no regular file: a FIFO or a device would block an
// open or a read, or never end, so the phone and its tools read only files.
#pragma once

#include <filesystem>

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

}  // namespace host
