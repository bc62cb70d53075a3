#include "parser_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "core/service_table.h"
#include "core/whole_io.h"
#include "core/wstr.h"

namespace {

// The one ParserFiles the services below reach (a service is a plain function).
ParserFiles* g_files = nullptr;

uint32_t size32(off_t size) { return uint64_t(size) > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(size); }

int file_open(const char16_t* path, const char16_t* name, int, int, int) {
  if (!path || !name) return -1;
  return g_files->open(path, name);
}

int file_close(int fd) { return g_files->close(fd); }

// Up to `size` bytes, fewer only at the end of the file.
int file_read(int fd, void* buf, int size) {
  if (size < 0 || (!buf && size > 0)) return -1;
  return int(host::read_whole(fd, buf, size_t(size)));
}

int file_seek(int fd, int offset, int whence) {
  static const int origins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return -1;
  const off_t pos = ::lseek(fd, offset, origins[whence]);
  return pos < 0 ? -1 : int(pos);
}

// The size lies at byte 8 of the firmware's record.
int file_stat(const char16_t* path, const char16_t* name, FSTAT* st) {
  if (!path || !name) return -1;
  uint32_t size = 0;
  if (g_files->stat(path, name, &size) != 0) return -1;
  if (st) {
    std::memset(st, 0, sizeof *st);
    std::memcpy(st->raw + 8, &size, 4);
  }
  return 0;
}

// An entry of the service's own type, so that a wrong signature does not compile.
template <typename S>
void put(FwServiceTable& table, typename S::entry entry) {
  table.entry[fw_slot(S::number)] = reinterpret_cast<void*>(entry);
}

}  // namespace

ParserFiles::ParserFiles() {
  namespace svc = host::service;
  put<svc::fw_file_open>(table_, &file_open);
  put<svc::fw_file_close>(table_, &file_close);
  put<svc::fw_file_read>(table_, &file_read);
  put<svc::fw_file_seek>(table_, &file_seek);
  put<svc::fw_file_stat>(table_, &file_stat);
  g_files = this;
  previous_ = fw_services;
  fw_services = &table_;
}

ParserFiles::~ParserFiles() {
  fw_services = previous_;
  g_files = nullptr;
}

const std::u16string& ParserFiles::phone_folder(const std::filesystem::path& folder) {
  auto it = folders_.find(folder);
  if (it == folders_.end()) {
    std::u16string name = u"/mp3info/" + host::utf8_to_utf16(std::to_string(folders_.size()));
    paths_.emplace(name, folder);
    it = folders_.emplace(folder, std::move(name)).first;
  }
  return it->second;
}

std::u16string ParserFiles::phone_name(const std::filesystem::path& filename) {
  std::u16string name = host::utf8_to_utf16(std::to_string(names_.size()));
  names_.emplace(name, filename);
  return name;
}

std::filesystem::path ParserFiles::path_of(const char16_t* folder, const char16_t* name) const {
  auto it = paths_.find(folder);
  auto n = names_.find(name);
  if (it == paths_.end() || n == names_.end()) return {};
  return it->second / n->second;
}

int ParserFiles::open(const char16_t* folder, const char16_t* name) {
  const std::filesystem::path p = path_of(folder, name);
  // Not blocking: a FIFO would hold the open until a writer came.
  const int fd = p.empty() ? -1 : ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    ++failed_opens_;
    return -1;
  }
  open_fd_ = fd;
  open_folder_ = folder;
  open_name_ = name;
  open_size_ = size32(st.st_size);
  return fd;
}

int ParserFiles::close(int fd) {
  if (fd == open_fd_) open_fd_ = -1;
  return ::close(fd);
}

int ParserFiles::stat(const char16_t* folder, const char16_t* name, uint32_t* size) const {
  if (open_fd_ >= 0 && open_folder_ == folder && open_name_ == name) {
    *size = open_size_;
    return 0;
  }
  const std::filesystem::path p = path_of(folder, name);
  struct stat st;
  if (p.empty() || ::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  *size = size32(st.st_size);
  return 0;
}
