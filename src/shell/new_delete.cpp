// Every allocation of the program goes through the firmware allocator. Failure is a null
// pointer, never an exception.
#include <new>

#include "platform/fw.h"

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return fw_malloc(int(size)); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return fw_malloc(int(size)); }
void operator delete(void* p, std::size_t) noexcept { fw_free(p); }
void operator delete[](void* p) noexcept { fw_free(p); }

// The program allocates and frees only with the forms above.
// These stand in for the C++ runtime's own, so that no allocation or release can reach an
// allocator other than the firmware's.
// LCOV_EXCL_START
void* operator new(std::size_t size) { return fw_malloc(int(size)); }
void* operator new[](std::size_t size) { return fw_malloc(int(size)); }
void operator delete(void* p) noexcept { fw_free(p); }
void operator delete[](void* p, std::size_t) noexcept { fw_free(p); }
// LCOV_EXCL_STOP
