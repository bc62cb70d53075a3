#include "sim/file_watch.h"

#include <sys/stat.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace sim {

FileWatch::FileWatch(std::vector<fs::path> paths, std::chrono::milliseconds settle)
    : paths_(std::move(paths)), settle_(settle), seen_(stamps()) {}

std::vector<FileWatch::Stamp> FileWatch::stamps() const {
  std::vector<Stamp> out;
  auto add = [&out](const fs::path& p) {
    Stamp s;
    s.path = p;
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      s.exists = true;
      s.inode = st.st_ino;
      s.size = static_cast<unsigned long long>(st.st_size);
      s.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    out.push_back(s);
  };
  for (const fs::path& p : paths_) {
    std::error_code ec;
    if (!fs::is_directory(p, ec)) {
      add(p);
      continue;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(p, ec)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) add(f);
  }
  return out;
}

bool FileWatch::poll(Clock::time_point now) {
  std::vector<Stamp> current = stamps();
  if (current != seen_) {
    seen_ = std::move(current);
    pending_ = true;
    changed_at_ = now;
    return false;
  }
  if (!pending_ || now - changed_at_ < settle_) return false;
  pending_ = false;
  return true;
}

void FileWatch::mark_seen() {
  seen_ = stamps();
  pending_ = false;
}

}  // namespace sim
