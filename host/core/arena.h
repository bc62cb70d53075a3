// Firmware memory: one byte array addressed by 32-bit firmware addresses. Records the firmware
// owns and the add-on reads at fixed offsets (the media player's book and track record, the
// screen's layer records and pixel memory) are allocated here, from the bottom up to a limit.
// When the phone runs the add-on's own ELF this array is the guest's whole address space: what
// lies above the limit (the image, its heap and stack) belongs to the guest CPU's room.
#pragma once

#include <cstdint>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>

#include "platform/fw_types.h"

namespace host {

class Arena {
 public:
  static constexpr uint32_t kPageSize = 4096;

  // `capacity` bytes (rounded up to whole pages, page-aligned, zeroed; untouched pages cost
  // nothing), of which alloc() hands out those below `limit` (0: all of them).
  explicit Arena(uint32_t capacity = 16u << 20, uint32_t limit = 0);
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Allocates `size` zeroed bytes, aligned to 8; never returns 0. The arena never moves, so
  // pointers from at() and data() stay valid for its lifetime.
  FwAddr alloc(uint32_t size);
  // Allocates and stores a zero-terminated UTF-16 string.
  FwAddr alloc_wstr(const std::u16string& s);

  void write32(FwAddr a, uint32_t v) { std::memcpy(at(a, 4), &v, 4); }
  void write16(FwAddr a, uint16_t v) { std::memcpy(at(a, 2), &v, 2); }
  uint32_t read32(FwAddr a) const;
  uint16_t read16(FwAddr a) const;
  uint8_t* at(FwAddr a, uint32_t size);

  uint8_t* data() { return bytes_; }
  std::span<std::byte> bytes() { return {reinterpret_cast<std::byte*>(bytes_), size_}; }
  const uint8_t* data() const { return bytes_; }
  uint32_t size() const { return size_; }
  uint32_t used() const { return top_; }
  // The end of what alloc() hands out.
  uint32_t limit() const { return limit_; }

 private:
  uint8_t* bytes_;
  uint32_t size_;
  uint32_t limit_;
  uint32_t top_ = kPageSize;  // page 0 is never handed out: a null access faults on the phone
};

}  // namespace host
