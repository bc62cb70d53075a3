// Firmware memory: one byte array addressed by 32-bit firmware addresses. Records the firmware
// owns and the add-on reads at fixed offsets (the media player's book and track record, the
// screen's layer records and pixel memory) are allocated here.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/fw_types.h"

namespace host {

class Arena {
 public:
  explicit Arena(uint32_t capacity = 16u << 20);

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

  const uint8_t* data() const { return bytes_.get(); }
  uint32_t size() const { return size_; }
  uint32_t used() const { return top_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  // Sized once; calloc leaves untouched pages to the system, so a large arena costs nothing.
  std::unique_ptr<uint8_t, Free> bytes_;
  uint32_t size_;
  uint32_t top_ = 16;  // address 0 is never handed out
};

}  // namespace host
