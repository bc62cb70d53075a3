#include "core/service_table.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/trace.h"
#include "phone/phone.h"

namespace host {
namespace {

template <size_t N>
struct Name {
  char s[N];
  constexpr Name(const char (&a)[N]) { std::copy_n(a, N, s); }
};

template <Name N, auto F>
struct Traced;

template <Name N, typename R, typename... A, R (*F)(A...)>
struct Traced<N, F> {
  static R call(A... a) {
    Trace& t = phone().trace();
    if (t.active()) t.call(N.s, a...);
    return F(a...);
  }
};

// The table slot of every service: two services that share one would silently replace each
// other's entry, so the build refuses them.
constexpr unsigned kSlots[] = {
#define FW_SERVICE(num, name, ret, params, args) fw_slot(num),
#include "platform/fw_service_list.h"
#undef FW_SERVICE
    fw_slot(FW_SVC_FORMAT_WSTR)};

constexpr bool slots_unique() {
  for (size_t i = 0; i < std::size(kSlots); ++i)
    for (size_t j = i + 1; j < std::size(kSlots); ++j)
      if (kSlots[i] == kSlots[j]) return false;
  return true;
}
static_assert(slots_unique(), "two firmware services have the same number");

}  // namespace

ServiceTable::ServiceTable() {
#define FW_SERVICE(num, name, ret, params, args) \
  table_.entry[fw_slot(num)] = reinterpret_cast<void*>(&Traced<#name, &svc::name>::call);
#include "platform/fw_service_list.h"
#undef FW_SERVICE
  table_.entry[FW_SVC_FORMAT_WSTR] = reinterpret_cast<void*>(&svc::fw_format_wstr);
}

void* ServiceTable::replace(unsigned number, void* entry) {
  void* old = table_.entry[fw_slot(number)];
  table_.entry[fw_slot(number)] = entry;
  return old;
}

}  // namespace host
