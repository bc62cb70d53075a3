#include "core/shared_memory.h"

#include <cstdlib>
#include <new>

namespace host {

void* SharedMemory::allocate_zeroed(size_t size) {
  void* p = allocate(size);
  if (!p) throw std::bad_alloc();
  std::memset(p, 0, size);
  return p;
}

char* SharedMemory::copy_string(const char* s) {
  size_t n = s ? std::strlen(s) : 0;
  char* p = static_cast<char*>(allocate_zeroed(n + 1));
  if (n) std::memcpy(p, s, n);
  return p;
}

void* NativeSharedMemory::allocate(size_t size) { return std::malloc(size ? size : 1); }

void NativeSharedMemory::release(void* p) { std::free(p); }

void NativeSharedMemory::init_book(BOOK* book, const void* record, FwAddr image) const {
  book->xbook = static_cast<FwBookRecord*>(const_cast<void*>(record));
  book->addr = image;
}

}  // namespace host
