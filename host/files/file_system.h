// The phone's files: phone paths ("/usb/other/ZBin/Config") map to folders under one root
// directory on the PC; other folders (the music) can be mounted at phone paths. Names are matched
// without regard to case, as on the phone's FAT memory card.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "files/folder_index.h"

namespace host {

class FileSystem {
 public:
  // `root` empty: a fresh temporary folder, removed with the file system.
  explicit FileSystem(std::filesystem::path root);
  ~FileSystem();

  const std::filesystem::path& root() const { return root_; }

  // The phone path of a folder id (0x10, 0x11, 0x14, 0x15), or null for another id.
  const char16_t* dir(int id) const;
  // The PC folder behind a folder id.
  std::filesystem::path dir_path(int id) const;

  // Makes the PC folder `target` appear at phone path `phone_path` (such as u"/card/Music").
  void mount(const std::u16string& phone_path, std::filesystem::path target);
  // The phone path of a PC file or folder below a mount or the root, if it has one.
  std::optional<std::u16string> phone_path_of(const std::filesystem::path& host_path) const;

  // The PC path of phone folder + name, matching every component without regard to case. When
  // the file does not exist: with `create` the folder is made and the path for a new file given,
  // without it nothing.
  std::optional<std::filesystem::path> resolve(std::u16string_view folder, std::u16string_view name,
                                               bool create = false) const;

  // Makes a phone folder refuse writes (tests: an unwritable configuration folder).
  void set_read_only(const std::u16string& phone_folder, bool read_only = true);

  // Descriptors: negative results on failure.
  int open(std::u16string_view folder, std::u16string_view name, int mode);
  int close(int fd);
  int read(int fd, void* buf, int size);
  int write(int fd, const void* buf, int size);
  int seek(int fd, int offset, int whence);
  // 0 and the size when the file exists, -1 when it does not. A file held open for reading under
  // the same folder and name answers from what its open learned, without asking the PC again.
  int stat(std::u16string_view folder, std::u16string_view name, uint32_t* size) const;

  size_t open_files() const { return fds_.size(); }
  uint64_t reads() const { return reads_; }
  uint64_t bytes_read() const { return bytes_read_; }
  // Opens that failed, whatever the reason (a tool looks for why only then).
  uint64_t failed_opens() const { return failed_opens_; }
  // Folder listings made to find names (each folder once while it stays unchanged).
  size_t folder_listings() const { return indexes_.listings(); }

 private:
  // An open file: the PC's descriptor, and the size found when it was opened for reading.
  struct Open {
    int os_fd = -1;
    bool writing = false;
    uint32_t size = 0;
    std::u16string folder, name;  // as the add-on named it
  };
  int open_file(std::u16string_view folder, std::u16string_view name, int mode);
  std::optional<std::filesystem::path> map_folder(std::u16string_view folder, bool create) const;
  // The entry of `dir` that phone name `name` (UTF-8) names: the name as it is, else by the index.
  std::optional<std::filesystem::path> find_entry(const std::filesystem::path& dir,
                                                  const std::string& name) const;
  std::optional<std::filesystem::path> indexed_entry(const std::filesystem::path& dir,
                                                     const std::string& name) const;
  int open_matching(const std::filesystem::path& dir, const std::string& name, int flags) const;
  bool read_only(std::u16string_view folder) const;

  std::filesystem::path root_;
  bool temporary_ = false;
  std::map<std::u16string, std::filesystem::path> mounts_;
  std::set<std::string> read_only_;  // lower-case UTF-8 phone folders
  std::map<int, Open> fds_;
  mutable FolderIndexes indexes_;
  int next_fd_ = 3;
  uint64_t reads_ = 0;
  uint64_t bytes_read_ = 0;
  uint64_t failed_opens_ = 0;
};

}  // namespace host
