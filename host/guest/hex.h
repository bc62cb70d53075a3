// Guest addresses and words as the guest CPU's messages write them: 0x and eight hex digits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace host::guest {

inline std::string hex32(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", v);
  return buf;
}

}  // namespace host::guest
