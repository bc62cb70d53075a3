// Notices changes to files from outside: an editor writing a file in place and a tool replacing
// it by a rename (tunestrip-bcfg set) both change its stamp (inode, size, modification time). A
// change is reported once the files have been still for a moment, so a half-written file is never
// read.
#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

namespace sim {

class FileWatch {
 public:
  using Clock = std::chrono::steady_clock;

  // Watches `paths`: a file (which may not exist yet) or a folder (every file in it, added or
  // removed ones too). What they hold now counts as seen.
  explicit FileWatch(std::vector<std::filesystem::path> paths,
                     std::chrono::milliseconds settle = std::chrono::milliseconds(300));

  // Looks at the files at time `now`: true once a change has been still for the settle time;
  // that change is then forgotten.
  bool poll(Clock::time_point now);
  // Counts what the files hold now as seen (after a reload made at once).
  void mark_seen();

 private:
  struct Stamp {
    std::filesystem::path path;
    bool exists = false;
    unsigned long long inode = 0, size = 0;
    long long mtime_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  std::vector<Stamp> stamps() const;

  std::vector<std::filesystem::path> paths_;
  std::chrono::milliseconds settle_;
  std::vector<Stamp> seen_;
  bool pending_ = false;
  Clock::time_point changed_at_;
};

}  // namespace sim
