#include "files/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "core/whole_io.h"
#include "core/wstr.h"
#include "files/phone_names.h"

namespace fs = std::filesystem;

namespace host {
namespace {

struct Folder {
  int id;
  const char16_t* phone;
};
// The first application and configuration folders lie in phone memory, the second on the card.
constexpr Folder kFolders[] = {
    {0x11, u"/usb/other/ZBin"},
    {0x10, u"/card/other/ZBin"},
    {0x14, u"/usb/other/ZBin/Config"},
    {0x15, u"/card/other/ZBin/Config"},
};

fs::path fresh_temp_root() {
  std::random_device rd;
  for (int i = 0; i < 100; ++i) {
    fs::path p = fs::temp_directory_path() / ("tunestrip-phone-" + std::to_string(rd()));
    if (fs::create_directory(p)) return p;
  }
  throw std::runtime_error("cannot make a temporary phone folder");
}

// Splits a phone path into its components.
std::vector<std::string> components(std::u16string_view path) {
  std::vector<std::string> out;
  std::string s = utf16_to_utf8(path);
  size_t i = 0;
  while (i <= s.size()) {
    size_t j = s.find('/', i);
    if (j == std::string::npos) j = s.size();
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

bool safe_component(const std::string& c) { return c != "." && c != ".."; }

}  // namespace

std::optional<fs::path> FileSystem::indexed_entry(const fs::path& dir, const std::string& name) const {
  const FolderIndex::Entry* e = indexes_.of(dir).find(name);
  if (!e) return std::nullopt;
  return e->entry.path();
}

std::optional<fs::path> FileSystem::find_entry(const fs::path& dir, const std::string& name) const {
  fs::path exact = dir / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  return indexed_entry(dir, name);
}

// Opens the name as given (which usually matches: one system call) or else the entry the index
// finds for it. A PC descriptor, or -1.
int FileSystem::open_matching(const fs::path& dir, const std::string& name, int flags) const {
  int fd = ::open((dir / name).c_str(), flags | O_CLOEXEC);
  if (fd >= 0 || errno != ENOENT) return fd;
  auto e = indexed_entry(dir, name);
  return e ? ::open(e->c_str(), flags | O_CLOEXEC) : -1;
}

FileSystem::FileSystem(fs::path root) : root_(std::move(root)) {
  if (root_.empty()) {
    root_ = fresh_temp_root();
    temporary_ = true;
  }
  fs::create_directories(root_);
  for (const Folder& f : kFolders) fs::create_directories(dir_path(f.id));
}

FileSystem::~FileSystem() {
  for (auto& [fd, o] : fds_) ::close(o.os_fd);
  if (temporary_) {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
}

const char16_t* FileSystem::dir(int id) const {
  for (const Folder& f : kFolders)
    if (f.id == id) return f.phone;
  return nullptr;
}

fs::path FileSystem::dir_path(int id) const {
  const char16_t* d = dir(id);
  if (!d) return {};
  fs::path p = root_;
  for (const auto& c : components(d)) p /= c;
  return p;
}

void FileSystem::mount(const std::u16string& phone_path, fs::path target) {
  mounts_[utf8_to_utf16(ascii_lower(utf16_to_utf8(phone_path)))] = std::move(target);
}

std::optional<std::u16string> FileSystem::phone_path_of(const fs::path& host_path) const {
  fs::path p = fs::weakly_canonical(host_path);
  auto under = [&](const fs::path& base) -> std::optional<fs::path> {
    fs::path b = fs::weakly_canonical(base);
    auto rel = p.lexically_relative(b);
    if (rel.empty() || *rel.begin() == "..") return std::nullopt;
    return rel;
  };
  for (const auto& [phone, target] : mounts_) {
    if (auto rel = under(target)) {
      std::u16string out = phone;
      if (*rel != ".") {
        out += u'/';
        out += phone_path(*rel);
      }
      return out;
    }
  }
  if (auto rel = under(root_)) {
    // Appended rather than `u"/" + ...`, which GCC 12 misreads as an overlapping copy at -O2.
    std::u16string out = u"/";
    out += phone_path(*rel);
    return out;
  }
  return std::nullopt;
}

std::optional<fs::path> FileSystem::map_folder(std::u16string_view folder, bool create) const {
  std::vector<std::string> parts = components(folder);
  fs::path base = root_;
  size_t skip = 0;
  // The longest mount whose components begin the folder.
  for (const auto& [phone, target] : mounts_) {
    std::vector<std::string> mp = components(phone);
    if (mp.size() > parts.size() || mp.size() <= skip) continue;
    bool match = true;
    for (size_t i = 0; i < mp.size(); ++i)
      if (ascii_lower(parts[i]) != mp[i]) match = false;
    if (match) {
      base = target;
      skip = mp.size();
    }
  }
  for (size_t i = skip; i < parts.size(); ++i) {
    if (!safe_component(parts[i])) return std::nullopt;
    auto e = find_entry(base, parts[i]);
    if (e) {
      base = *e;
    } else if (create) {
      base /= parts[i];
      std::error_code ec;
      fs::create_directories(base, ec);
      if (ec) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return base;
}

std::optional<fs::path> FileSystem::resolve(std::u16string_view folder, std::u16string_view name,
                                            bool create) const {
  std::string n = utf16_to_utf8(name);
  if (n.empty() || n.find('/') != std::string::npos || !safe_component(n)) return std::nullopt;
  auto dir = map_folder(folder, create);
  if (!dir) return std::nullopt;
  if (auto e = find_entry(*dir, n)) return e;
  if (create) return *dir / n;
  return std::nullopt;
}

void FileSystem::set_read_only(const std::u16string& phone_folder, bool ro) {
  std::string key = ascii_lower(utf16_to_utf8(phone_folder));
  if (ro)
    read_only_.insert(key);
  else
    read_only_.erase(key);
}

bool FileSystem::read_only(std::u16string_view folder) const {
  return read_only_.count(ascii_lower(utf16_to_utf8(folder))) != 0;
}

int FileSystem::open(std::u16string_view folder, std::u16string_view name, int mode) {
  int fd = open_file(folder, name, mode);
  if (fd < 0) ++failed_opens_;
  return fd;
}

int FileSystem::open_file(std::u16string_view folder, std::u16string_view name, int mode) {
  bool writing = (mode & 0x200) != 0 || (mode & 0x4) != 0;
  int os_fd = -1;
  if (writing) {
    if (read_only(folder)) return -1;
    auto p = resolve(folder, name, true);
    if (!p) return -1;
    os_fd = ::open(p->c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
  } else {
    std::string n = utf16_to_utf8(name);
    if (n.empty() || n.find('/') != std::string::npos || !safe_component(n)) return -1;
    auto dir = map_folder(folder, false);
    if (!dir) return -1;
    // Not blocking: a FIFO in the phone's folders would hold the open until a writer came.
    os_fd = open_matching(*dir, n, O_RDONLY | O_NONBLOCK);
  }
  if (os_fd < 0) return -1;
  // The phone's files are files: a folder, a FIFO or a device opened here is refused.
  struct stat st;
  if (::fstat(os_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(os_fd);
    return -1;
  }
  ::fcntl(os_fd, F_SETFL, ::fcntl(os_fd, F_GETFL) & ~O_NONBLOCK);
  Open o;
  o.os_fd = os_fd;
  o.writing = writing;
  o.size = uint64_t(st.st_size) > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(st.st_size);
  o.folder = folder;
  o.name = name;
  int fd = next_fd_++;
  fds_.emplace(fd, std::move(o));
  return fd;
}

int FileSystem::close(int fd) {
  auto it = fds_.find(fd);
  if (it == fds_.end()) return -1;
  ::close(it->second.os_fd);
  fds_.erase(it);
  return 0;
}

int FileSystem::read(int fd, void* buf, int size) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || size < 0 || (!buf && size > 0)) return -1;
  ++reads_;
  // Up to `size` bytes, fewer only at the end of the file (or when the run is ending).
  const size_t got = read_whole(it->second.os_fd, buf, size_t(size));
  bytes_read_ += got;
  return int(got);
}

int FileSystem::write(int fd, const void* buf, int size) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || size < 0 || (!buf && size > 0)) return -1;
  return int(write_whole(it->second.os_fd, buf, size_t(size)));
}

int FileSystem::seek(int fd, int offset, int whence) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || whence < 0 || whence > 2) return -1;
  static const int origins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  off_t pos = ::lseek(it->second.os_fd, offset, origins[whence]);
  return pos < 0 ? -1 : int(pos);
}

int FileSystem::stat(std::u16string_view folder, std::u16string_view name, uint32_t* size) const {
  for (const auto& [fd, o] : fds_)
    if (!o.writing && o.folder == folder && o.name == name) {
      if (size) *size = o.size;
      return 0;
    }
  std::string n = utf16_to_utf8(name);
  if (n.empty() || n.find('/') != std::string::npos || !safe_component(n)) return -1;
  auto dir = map_folder(folder, false);
  if (!dir) return -1;
  struct stat st;
  if (::stat((*dir / n).c_str(), &st) != 0) {
    if (errno != ENOENT) return -1;
    auto e = indexed_entry(*dir, n);
    if (!e || ::stat(e->c_str(), &st) != 0) return -1;
  }
  if (!S_ISREG(st.st_mode)) return -1;
  if (size) *size = uint64_t(st.st_size) > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(st.st_size);
  return 0;
}

}  // namespace host
