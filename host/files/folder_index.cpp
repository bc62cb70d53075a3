#include "files/folder_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "core/wstr.h"
#include "files/phone_names.h"

namespace fs = std::filesystem;

namespace host {

FolderIndex::FolderIndex(const fs::path& dir) {
  fs::directory_iterator it(dir, error_);
  if (error_) return;
  for (const fs::directory_entry& e : it) {
    Entry entry{e, e.path().filename().string(), {}, true};
    entry.phone = phone_name(entry.bytes);
    entries_.push_back(std::move(entry));
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return a.bytes < b.bytes; });
  // UTF-8 names first: a Latin-1 name that reads as another entry's UTF-8 name is the one left out.
  for (int utf8 = 1; utf8 >= 0; --utf8) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      Entry& e = entries_[i];
      if (is_phone_utf8(e.bytes) != bool(utf8)) continue;
      const std::string name = utf8 ? e.bytes : utf16_to_utf8(e.phone);
      if (!exact_.emplace(name, i).second) {
        e.held = false;
        continue;
      }
      folded_.emplace(ascii_lower(name), i);
    }
  }
}

const FolderIndex::Entry* FolderIndex::find(std::string_view name) const {
  if (auto it = exact_.find(std::string(name)); it != exact_.end()) return &entries_[it->second];
  if (auto it = folded_.find(ascii_lower(std::string(name))); it != folded_.end())
    return &entries_[it->second];
  return nullptr;
}

namespace {

// The most a folder's modification time may lag behind a change (a FAT card keeps it in steps of
// two seconds).
constexpr int64_t kClockStepNs = 3'000'000'000;

int64_t now_ns() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

const FolderIndex& FolderIndexes::of(const fs::path& dir) {
  // A bound on what a long run keeps: the folders asked about again are listed again.
  constexpr size_t kMostFolders = 512;
  Stamp stamp;
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0)
    stamp = {uint64_t(st.st_dev), uint64_t(st.st_ino),
             int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
  auto it = cached_.find(dir.native());
  if (it != cached_.end() && it->second.settled && it->second.stamp == stamp)
    return it->second.index;
  if (it == cached_.end()) {
    if (cached_.size() >= kMostFolders) cached_.clear();
    it = cached_.emplace(dir.native(), Cached{}).first;
  }
  ++listings_;
  it->second.index = FolderIndex(dir);
  it->second.stamp = stamp;
  it->second.settled = stamp.ino != 0 && now_ns() - stamp.mtime_ns > kClockStepNs;
  return it->second.index;
}

}  // namespace host
