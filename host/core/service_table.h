// The table of firmware services handed to the add-on: every entry is the phone's implementation
// wrapped so that it writes its call-trace line first.
#pragma once

#include <functional>

#include "platform/fw_services.h"

namespace host {

// Every service as a type, for the typed replace(): service::fw_file_open::number is 0x116 and
// service::fw_file_open::entry the function type of its entry.
namespace service {
#define FW_SERVICE(num, name, ret, params, args) \
  struct name {                                  \
    static constexpr unsigned number = num;      \
    using entry = ret(*) params;                 \
  };
#include "platform/fw_service_list.h"
#undef FW_SERVICE
}  // namespace service

class ServiceTable {
 public:
  ServiceTable();
  FwServiceTable* table() { return &table_; }
  // Replaces the entry of service S (tests: make a service fail, count its calls) by one of the
  // service's own type; returns the old entry.
  template <typename S>
  typename S::entry replace(typename S::entry entry) {
    return reinterpret_cast<typename S::entry>(replace(S::number, reinterpret_cast<void*>(entry)));
  }
  template <typename S>
  typename S::entry entry() const {
    return reinterpret_cast<typename S::entry>(table_.entry[fw_slot(S::number)]);
  }
  // Points the firmware-memory window at the arena.
  void set_memory(const uint8_t* mem, uint32_t size) {
    table_.mem = mem;
    table_.mem_size = size;
  }

 private:
  void* replace(unsigned number, void* entry);

  FwServiceTable table_{};
};

}  // namespace host

// The phone's implementations, one per service, defined by the subsystem that owns each.
namespace host::svc {
#define FW_SERVICE(num, name, ret, params, args) ret name params;
#include "platform/fw_service_list.h"
#undef FW_SERVICE
int fw_format_wstr(char16_t* buf, int capacity, const char16_t* format, ...);
}  // namespace host::svc

namespace host {
// fw_format_wstr's work, whoever passes the arguments: `next` gives the next one for a conversion
// ('d', 'u', 'x': a number; 's': a wide string).
struct FormatArg {
  int value;
  const char16_t* text;
};
int format_wstr(char16_t* buf, int capacity, const char16_t* format,
                const std::function<FormatArg(char kind)>& next);
}  // namespace host
