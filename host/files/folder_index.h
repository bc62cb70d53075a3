// One PC folder's entries under the names the phone gives them (phone_names.h), listed once: the
// phone finds a name that differs in case, or a Latin-1 name, without listing the folder again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

class FolderIndex {
 public:
  struct Entry {
    std::filesystem::directory_entry entry;  // with the type the listing gave
    std::string bytes;                       // the PC name
    std::u16string phone;                    // the phone's name
    bool held = true;  // false: another entry, named in UTF-8, has the same phone name
  };

  FolderIndex() = default;
  // Lists `dir`; a folder that cannot be listed gives an index of nothing, with the reason in
  // error().
  explicit FolderIndex(const std::filesystem::path& dir);

  const std::vector<Entry>& entries() const { return entries_; }
  const std::error_code& error() const { return error_; }

  // The entry that the phone name `name` (UTF-8) names: the one of exactly that phone name, else
  // one whose phone name matches without regard to ASCII case (of several, the first in byte
  // order); null for none. An entry that is not held is never found.
  const Entry* find(std::string_view name) const;

 private:
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> exact_, folded_;  // phone name in UTF-8 → entry
  std::error_code error_;
};

// The indexes of the folders asked about, each listed again only when the folder has changed
// since (its modification time, or another folder in its place). A folder changed within the
// last few seconds before it was listed may have changed again within its clock's step, unseen:
// such a folder is listed anew each time it is asked about, until it has been still that long.
class FolderIndexes {
 public:
  const FolderIndex& of(const std::filesystem::path& dir);
  size_t listings() const { return listings_; }

 private:
  struct Stamp {
    uint64_t dev = 0, ino = 0;
    int64_t mtime_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Cached {
    FolderIndex index;
    Stamp stamp;
    bool settled = false;  // the folder had been still for a while when it was listed
  };
  std::map<std::string, Cached> cached_;
  size_t listings_ = 0;
};

}  // namespace host
