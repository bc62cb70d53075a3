// The firmware service layer. Every service has a number (fw_service_list.h); a number with
// FW_SERVICE_ENTRY added gives the service's entry itself (a callable or a data address).
//
// On the phone (bare-metal ARM) each fw_* function is a call-by-number stub: a software interrupt
// whose comment field carries the service number (target/fw_stubs.cpp). Everywhere else the
// services are called through a table that the loader fills when it loads the add-on; a test may
// replace single entries.
#pragma once

#include "platform/fw_types.h"

#if defined(__arm__) && !defined(__linux__)
#define FW_ON_PHONE 1
#else
#define FW_ON_PHONE 0
#endif

#if defined(__GNUC__)
#define FW_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define FW_EXPORT extern "C"
#endif

constexpr unsigned FW_SERVICE_ENTRY = 0x8000;  // added to a number: the entry itself
constexpr unsigned FW_SVC_FORMAT_WSTR = 0x115;

// Every service's number by its name: fw_svc::fw_free_entry is 0x8104.
namespace fw_svc {
#define FW_SERVICE(num, name, ret, params, args) constexpr unsigned name = num;
#include "platform/fw_service_list.h"
#undef FW_SERVICE
}  // namespace fw_svc

#if FW_ON_PHONE

#define FW_SERVICE(num, name, ret, params, args) ret name params;
#include "platform/fw_service_list.h"
#undef FW_SERVICE

// Formats into a wide buffer of `capacity` characters: %d, %02d, %u, %x, %s (wide string), %%.
int fw_format_wstr(char16_t* buf, int capacity, const char16_t* format, ...);

#else

// Numbers run below 0x400; the entries of the 0x8000 range sit in the table's upper half.
constexpr unsigned FW_TABLE_SIZE = 0x800;

// The service table. `mem` and `mem_size` describe firmware memory for the FwAddr helpers.
struct FwServiceTable {
  void* entry[FW_TABLE_SIZE];
  const uint8_t* mem;
  uint32_t mem_size;
};

// Set by the loader before the add-on's entry point runs.
FW_EXPORT FwServiceTable* fw_services;

constexpr unsigned fw_slot(unsigned number) {
  return (number & FW_SERVICE_ENTRY) ? 0x400 + (number & 0x3FF) : (number & 0x3FF);
}

#define FW_SERVICE(num, name, ret, params, args)                                        \
  inline ret name params {                                                              \
    return reinterpret_cast<ret(*) params>(fw_services->entry[fw_slot(num)]) args;      \
  }
#include "platform/fw_service_list.h"
#undef FW_SERVICE

typedef int (*FormatWstrProc)(char16_t* buf, int capacity, const char16_t* format, ...);

// Formats into a wide buffer of `capacity` characters: %d, %02d, %u, %x, %s (wide string), %%.
template <typename... A>
inline int fw_format_wstr(char16_t* buf, int capacity, const char16_t* format, A... args) {
  return reinterpret_cast<FormatWstrProc>(fw_services->entry[FW_SVC_FORMAT_WSTR])(
      buf, capacity, format, args...);
}

#endif
