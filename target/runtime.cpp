// What the compiler expects of a C and C++ runtime, for an add-on that links neither: the block
// copies and fills it emits for structure copies and zeroing, and std::nothrow for `new
// (std::nothrow)`. operator new and delete go to the firmware's allocator (src/shell/new_delete.cpp).
#include <cstddef>
#include <new>

// The loops below must stay loops: the optimiser would otherwise turn them into calls to
// themselves.
#define TS_RUNTIME extern "C" __attribute__((optimize("no-tree-loop-distribute-patterns"), used))

TS_RUNTIME void* memcpy(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  while (n--) *d++ = *s++;
  return dst;
}

TS_RUNTIME void* memmove(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  if (d < s) {
    while (n--) *d++ = *s++;
  } else {
    while (n--) d[n] = s[n];
  }
  return dst;
}

TS_RUNTIME void* memset(void* dst, int value, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  while (n--) *d++ = static_cast<unsigned char>(value);
  return dst;
}

TS_RUNTIME int memcmp(const void* a, const void* b, size_t n) {
  auto* p = static_cast<const unsigned char*>(a);
  auto* q = static_cast<const unsigned char*>(b);
  for (; n; --n, ++p, ++q)
    if (*p != *q) return *p < *q ? -1 : 1;
  return 0;
}

namespace std {
const nothrow_t nothrow{};
}
