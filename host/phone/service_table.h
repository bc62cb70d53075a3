// The table of firmware services handed to the add-on: every entry is the phone's implementation
// wrapped so that it writes its call-trace line first.
#pragma once

#include "platform/fw_services.h"

namespace host {

class ServiceTable {
 public:
  ServiceTable();
  FwServiceTable* table() { return &table_; }
  // Replaces one entry (tests: make a service fail, count its calls); returns the old entry.
  void* replace(unsigned number, void* entry);
  void* entry(unsigned number) const { return table_.entry[fw_slot(number)]; }
  // Points the firmware-memory window at the arena.
  void set_memory(const uint8_t* mem, uint32_t size) {
    table_.mem = mem;
    table_.mem_size = size;
  }

 private:
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
