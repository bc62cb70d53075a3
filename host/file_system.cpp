#include "host/file_system.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "host/wstr.h"

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

// The entry of `dir` whose name equals `name` without regard to case.
std::optional<fs::path> find_entry(const fs::path& dir, const std::string& name) {
  fs::path exact = dir / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  std::string want = ascii_lower(name);
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (ascii_lower(e.path().filename().string()) == want) return e.path();
  return std::nullopt;
}

bool safe_component(const std::string& c) { return c != "." && c != ".."; }

}  // namespace

FileSystem::FileSystem(fs::path root) : root_(std::move(root)) {
  if (root_.empty()) {
    root_ = fresh_temp_root();
    temporary_ = true;
  }
  fs::create_directories(root_);
  for (const Folder& f : kFolders) fs::create_directories(dir_path(f.id));
}

FileSystem::~FileSystem() {
  for (auto& [fd, f] : fds_) std::fclose(f);
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
        out += utf8_to_utf16(rel->generic_string());
      }
      return out;
    }
  }
  if (auto rel = under(root_)) {
    // Appended rather than `u"/" + ...`, which GCC 12 misreads as an overlapping copy at -O2.
    std::u16string out = u"/";
    out += utf8_to_utf16(rel->generic_string());
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
  bool writing = (mode & 0x200) != 0 || (mode & 0x4) != 0;
  std::optional<fs::path> p;
  if (writing) {
    if (read_only(folder)) return -1;
    p = resolve(folder, name, true);
  } else {
    p = resolve(folder, name, false);
  }
  if (!p) return -1;
  std::error_code ec;
  if (fs::is_directory(*p, ec)) return -1;
  std::FILE* f = std::fopen(p->c_str(), writing ? "w+b" : "rb");
  if (!f) return -1;
  int fd = next_fd_++;
  fds_[fd] = f;
  return fd;
}

int FileSystem::close(int fd) {
  auto it = fds_.find(fd);
  if (it == fds_.end()) return -1;
  std::fclose(it->second);
  fds_.erase(it);
  return 0;
}

int FileSystem::read(int fd, void* buf, int size) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || size < 0 || (!buf && size > 0)) return -1;
  ++reads_;
  size_t n = std::fread(buf, 1, size_t(size), it->second);
  bytes_read_ += n;
  return int(n);
}

int FileSystem::write(int fd, const void* buf, int size) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || size < 0 || (!buf && size > 0)) return -1;
  size_t n = std::fwrite(buf, 1, size_t(size), it->second);
  std::fflush(it->second);
  return int(n);
}

int FileSystem::seek(int fd, int offset, int whence) {
  auto it = fds_.find(fd);
  if (it == fds_.end() || whence < 0 || whence > 2) return -1;
  static const int origins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (std::fseek(it->second, offset, origins[whence]) != 0) return -1;
  return int(std::ftell(it->second));
}

int FileSystem::stat(std::u16string_view folder, std::u16string_view name, uint32_t* size) const {
  auto p = resolve(folder, name, false);
  std::error_code ec;
  if (!p || !fs::is_regular_file(*p, ec)) return -1;
  auto s = fs::file_size(*p, ec);
  if (ec) return -1;
  if (size) *size = s > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(s);
  return 0;
}

}  // namespace host
