// A block of host memory to be the guest's address space: page-aligned, zeroed, indexed by guest
// address. Pages the guest never touches cost nothing (the system maps them on first use).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace host::guest {

class GuestMemory {
 public:
  static constexpr uint32_t kPageSize = 4096;

  // `size` is rounded up to whole pages. Throws std::bad_alloc when the system has no room.
  explicit GuestMemory(uint32_t size);
  ~GuestMemory();
  GuestMemory(const GuestMemory&) = delete;
  GuestMemory& operator=(const GuestMemory&) = delete;

  std::span<std::byte> bytes() const { return {data_, size_}; }
  uint32_t size() const { return size_; }

 private:
  std::byte* data_;
  uint32_t size_;
};

}  // namespace host::guest
