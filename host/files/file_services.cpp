// Files and folders: the phone's services fw_get_dir, fw_file_open, fw_file_close, fw_file_read,
// fw_file_write, fw_file_stat, fw_file_seek.

#include <cstring>

#include "core/service_table.h"
#include "files/file_system.h"
#include "phone/phone.h"

namespace host::svc {

const char16_t* fw_get_dir(int id) { return phone().files().dir(id); }

int fw_file_open(const char16_t* path, const char16_t* name, int mode, int, int) {
  if (!path || !name) return -1;
  return phone().files().open(path, name, mode);
}

int fw_file_close(int fd) { return phone().files().close(fd); }

int fw_file_read(int fd, void* buf, int size) { return phone().files().read(fd, buf, size); }

int fw_file_write(int fd, const void* buf, int size) {
  return phone().files().write(fd, buf, size);
}

int fw_file_stat(const char16_t* path, const char16_t* name, FSTAT* st) {
  if (!path || !name) return -1;
  uint32_t size = 0;
  if (phone().files().stat(path, name, &size) != 0) return -1;
  if (st) {
    std::memset(st, 0, sizeof *st);
    std::memcpy(st->raw + 8, &size, 4);
  }
  return 0;
}

int fw_file_seek(int fd, int offset, int whence) { return phone().files().seek(fd, offset, whence); }

}  // namespace host::svc
