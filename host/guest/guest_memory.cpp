#include "guest/guest_memory.h"

#include <sys/mman.h>

#include <new>

namespace host::guest {

GuestMemory::GuestMemory(uint32_t size)
    : data_(nullptr), size_(uint32_t((uint64_t(size) + kPageSize - 1) / kPageSize * kPageSize)) {
  void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<std::byte*>(p);
}

GuestMemory::~GuestMemory() { munmap(data_, size_); }

}  // namespace host::guest
