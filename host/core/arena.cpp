#include "core/arena.h"

#include <sys/mman.h>

#include <stdexcept>

namespace host {

Arena::Arena(uint32_t capacity, uint32_t limit)
    : bytes_(nullptr), size_(uint32_t((uint64_t(capacity) + kPageSize - 1) / kPageSize * kPageSize)) {
  if (size_ == 0) throw std::invalid_argument("an empty firmware arena");
  limit_ = limit == 0 || limit > size_ ? size_ : limit;
  // A page no one may touch follows: a string without its end at the top of firmware memory
  // stops whoever reads it there instead of letting them read on into the phone's own memory.
  void* p = mmap(nullptr, size_ + kPageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::runtime_error("no memory for the firmware arena");
  bytes_ = static_cast<uint8_t*>(p);
  mprotect(bytes_ + size_, kPageSize, PROT_NONE);
}

Arena::~Arena() { munmap(bytes_, size_ + kPageSize); }

FwAddr Arena::alloc(uint32_t size) {
  FwAddr a = (top_ + 7) & ~7u;
  uint64_t end = uint64_t(a) + size;
  if (end > limit_) throw std::runtime_error("firmware memory exhausted");
  std::memset(bytes_ + a, 0, size);
  top_ = uint32_t(end);
  return a;
}

FwAddr Arena::alloc_wstr(const std::u16string& s) {
  FwAddr a = alloc(uint32_t((s.size() + 1) * 2));
  std::memcpy(at(a, uint32_t(s.size() * 2)), s.data(), s.size() * 2);
  return a;
}

uint8_t* Arena::at(FwAddr a, uint32_t size) {
  if (a == 0 || uint64_t(a) + size > size_)
    throw std::out_of_range("firmware address out of range");
  return bytes_ + a;
}

uint32_t Arena::read32(FwAddr a) const {
  if (a == 0 || uint64_t(a) + 4 > size_) return 0;
  uint32_t v;
  std::memcpy(&v, bytes_ + a, 4);
  return v;
}

uint16_t Arena::read16(FwAddr a) const {
  if (a == 0 || uint64_t(a) + 2 > size_) return 0;
  uint16_t v;
  std::memcpy(&v, bytes_ + a, 2);
  return v;
}

}  // namespace host
