// Reads of firmware-owned records at 32-bit firmware addresses. On the phone these are plain
// loads; on the simulated phone firmware memory is a bounded arena, and an address outside it
// reads as 0.
#pragma once

#include "platform/fw_services.h"

#if FW_ON_PHONE

inline const uint8_t* fw_addr_ptr(FwAddr a) { return reinterpret_cast<const uint8_t*>(uintptr_t(a)); }

inline uint32_t fw_peek32(FwAddr base, uint32_t offset) {
  if (base == 0) return 0;
  uint32_t v;
  __builtin_memcpy(&v, fw_addr_ptr(base + offset), 4);
  return v;
}

inline uint16_t fw_peek16(FwAddr base, uint32_t offset) {
  if (base == 0) return 0;
  uint16_t v;
  __builtin_memcpy(&v, fw_addr_ptr(base + offset), 2);
  return v;
}

// A wide string at a firmware address, or null when the address is 0 or odd.
inline const char16_t* fw_peek_wstr(FwAddr addr) {
  if (addr == 0 || (addr & 1)) return nullptr;
  return reinterpret_cast<const char16_t*>(fw_addr_ptr(addr));
}

// Pointer to `size` bytes of firmware memory at `addr`, or null for address 0.
inline const uint8_t* fw_mem_ptr(FwAddr addr, uint32_t) { return addr ? fw_addr_ptr(addr) : nullptr; }

// On the phone a book lies in firmware memory: its address is the pointer itself.
inline FwAddr fw_book_addr(const BOOK* book) { return FwAddr(reinterpret_cast<uintptr_t>(book)); }

#else

inline uint32_t fw_peek32(FwAddr base, uint32_t offset) {
  uint64_t a = uint64_t(base) + offset;
  if (base == 0 || a + 4 > fw_services->mem_size) return 0;
  uint32_t v;
  __builtin_memcpy(&v, fw_services->mem + a, 4);
  return v;  // little-endian host, as the phone
}

inline uint16_t fw_peek16(FwAddr base, uint32_t offset) {
  uint64_t a = uint64_t(base) + offset;
  if (base == 0 || a + 2 > fw_services->mem_size) return 0;
  uint16_t v;
  __builtin_memcpy(&v, fw_services->mem + a, 2);
  return v;
}

// A wide string at a firmware address, or null when the address is 0, outside firmware memory,
// or the string has no terminator inside it.
inline const char16_t* fw_peek_wstr(FwAddr addr) {
  if (addr == 0 || addr >= fw_services->mem_size || (addr & 1)) return nullptr;
  const uint8_t* p = fw_services->mem + addr;
  const uint8_t* end = fw_services->mem + (fw_services->mem_size & ~1u);
  for (const uint8_t* q = p; q + 1 < end; q += 2)
    if (q[0] == 0 && q[1] == 0) return reinterpret_cast<const char16_t*>(p);
  return nullptr;
}

// Pointer to `size` bytes of firmware memory at `addr`, or null when they are not all inside it.
inline const uint8_t* fw_mem_ptr(FwAddr addr, uint32_t size) {
  if (addr == 0 || uint64_t(addr) + size > fw_services->mem_size) return nullptr;
  return fw_services->mem + addr;
}

// The book's image in firmware memory.
inline FwAddr fw_book_addr(const BOOK* book) { return book ? book->addr : 0; }

#endif

// 32-bit little-endian word at byte `offset` of an event record.
inline int32_t fw_event_word(const void* data, uint32_t offset) {
  int32_t v;
  __builtin_memcpy(&v, static_cast<const uint8_t*>(data) + offset, 4);
  return v;
}

// Start of the add-on's own loaded image: on the phone where its linker script puts
// __image_start, elsewhere the ELF header that heads the module's first loaded segment.
#if FW_ON_PHONE
extern "C" char __image_start[];
inline void* fw_image_base() { return __image_start; }
#else
extern "C" char __ehdr_start[] __attribute__((visibility("hidden")));
inline void* fw_image_base() { return __ehdr_start; }
#endif
