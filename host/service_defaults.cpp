// Stand-ins for services no subsystem defines yet: each reports itself and returns zero.
// A subsystem's own definition replaces the stand-in at link time.
#include <cstdio>
#include <type_traits>

#include "host/service_table.h"

namespace host::svc {
namespace {
template <typename T>
T zero() {
  if constexpr (!std::is_void_v<T>) return T{};
}
}  // namespace

#define FW_SERVICE(num, name, ret, params, args)                                  \
  __attribute__((weak)) ret name params {                                          \
    std::fprintf(stderr, "phone: service %s is not built\n", #name);              \
    return zero<ret>();                                                            \
  }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "src/platform/fw_service_list.h"
#pragma GCC diagnostic pop
#undef FW_SERVICE
}  // namespace host::svc
