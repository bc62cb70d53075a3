#include "addon_state.h"

#include <cstddef>
#include <vector>

// The bounds of the sections that addon_state.ld gathers the add-on's globals in; the linker
// defines them for sections named like identifiers.
extern "C" char __start_ts_addon_data[], __stop_ts_addon_data[];
extern "C" char __start_ts_addon_bss[], __stop_ts_addon_bss[];

namespace {

// The sections hold the sanitizer's red zones between the globals as well: they are copied
// byte by byte without the sanitizer's checks (which would call the red zones an overflow), and
// through volatile pointers, so that the compiler makes no checked memcpy of the loops.
#if defined(__GNUC__)
#define TS_UNCHECKED __attribute__((no_sanitize("address")))
#else
#define TS_UNCHECKED
#endif

TS_UNCHECKED void copy_bytes(volatile char* to, const volatile char* from, size_t n) {
  for (size_t i = 0; i < n; ++i) to[i] = from[i];
}

TS_UNCHECKED void zero_bytes(volatile char* to, size_t n) {
  for (size_t i = 0; i < n; ++i) to[i] = 0;
}

size_t data_size() { return size_t(__stop_ts_addon_data - __start_ts_addon_data); }

// The add-on's globals need no code to start (the phone's loader runs none), so before main they
// hold their start values.
std::vector<char> start_data() {
  std::vector<char> copy(data_size());
  copy_bytes(copy.data(), __start_ts_addon_data, copy.size());
  return copy;
}
const std::vector<char> g_start_data = start_data();

}  // namespace

void ResetAddOnGlobals() {
  copy_bytes(__start_ts_addon_data, g_start_data.data(), g_start_data.size());
  zero_bytes(__start_ts_addon_bss, size_t(__stop_ts_addon_bss - __start_ts_addon_bss));
}
