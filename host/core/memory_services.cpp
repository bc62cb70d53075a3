// Memory: the phone's services fw_malloc, fw_free, fw_free_entry, fw_memset, fw_memcpy.

#include <cstring>

#include "core/loader.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "phone/phone.h"

namespace host::svc {

void* fw_malloc(int size) { return size < 0 ? nullptr : phone().memory().alloc(size_t(size)); }

void fw_free(void* p) {
  if (!p) return;
  Phone& ph = phone();
  if (ph.memory().owns(p))
    ph.memory().free(p);
  else  // the add-on frees its own loaded image through the firmware allocator when it ends
    ph.loader().on_free(p);
}

FreeProc fw_free_entry() {
  return phone().services().entry<service::fw_free>();
}

void* fw_memset(void* p, int value, int size) {
  if (p && size > 0) std::memset(p, value, size_t(size));
  return p;
}

void* fw_memcpy(void* dst, const void* src, int size) {
  if (dst && src && size > 0) std::memmove(dst, src, size_t(size));
  return dst;
}

}  // namespace host::svc
