// The adapters of the services for the guest: one per service of the service list, each reading
// the guest's arguments by their types, calling the phone's table entry (so that the trace and a
// test's replaced entries hold for the ELF as for the native module) and writing the result to
// r0. fw_format_wstr takes its variable arguments as its format asks for them; numbers from
// 0x10000 are the trampolines of the phone's functions handed to the add-on.
#include <unordered_map>

#include "core/service_table.h"
#include "guest/guest_runtime.h"
#include "phone/phone.h"

namespace host::guest {

namespace {

// A service as the guest reaches it: its adapter and, for the messages, its name.
struct Adapter {
  void (*serve)(GuestRuntime& rt, GuestCpu& cpu);
  const char* name;
};

// The services that take a buffer and its size: the phone reads or writes that many bytes there,
// so all of them must lie in guest memory.
struct SizedBuffer {
  unsigned service, pointer, size;  // argument indices
};
constexpr SizedBuffer kSizedBuffers[] = {
    {fw_svc::fw_memset, 0, 2},    {fw_svc::fw_memcpy, 0, 2},     {fw_svc::fw_memcpy, 1, 2},
    {fw_svc::fw_file_read, 1, 2}, {fw_svc::fw_file_write, 1, 2}, {fw_svc::fw_image_from_buffer, 0, 1},
};

void check_buffers(GuestRuntime& rt, GuestCpu& cpu, unsigned number) {
  for (const SizedBuffer& b : kSizedBuffers) {
    if (b.service != number) continue;
    const uint32_t at = cpu.arg(b.pointer), size = cpu.arg(b.size);
    if (at == 0 || int32_t(size) <= 0) continue;  // the service refuses these itself
    rt.check_range(at, size, "a buffer");
  }
}

template <typename S>
void serve(GuestRuntime& rt, GuestCpu& cpu) {
  Serve<typename S::entry>::run(rt, cpu, phone().services().entry<S>());
}

void serve_format(GuestRuntime& rt, GuestCpu& cpu) {
  auto* buf = static_cast<char16_t*>(rt.host_pointer(cpu.arg(0), "a buffer"));
  const int capacity = int(cpu.arg(1));
  auto* format = static_cast<const char16_t*>(rt.host_pointer(cpu.arg(2), "a format"));
  unsigned next = 3;
  const int n = format_wstr(buf, capacity, format, [&](char kind) {
    const uint32_t word = cpu.arg(next++);
    if (kind == 's') return FormatArg{0, static_cast<const char16_t*>(rt.host_pointer(word, "a string"))};
    return FormatArg{int(word), nullptr};
  });
  cpu.set_result(uint32_t(n));
}

const std::unordered_map<unsigned, Adapter>& adapters() {
  static const std::unordered_map<unsigned, Adapter> table = {
#define FW_SERVICE(num, name, ret, params, args) {num, {&serve<service::name>, #name}},
#include "platform/fw_service_list.h"
#undef FW_SERVICE
      {FW_SVC_FORMAT_WSTR, {&serve_format, "fw_format_wstr"}},
  };
  return table;
}

std::string hex(unsigned v) {
  char s[16];
  std::snprintf(s, sizeof s, "0x%X", v);
  return s;
}

}  // namespace

void GuestRuntime::on_service(unsigned number) {
  if (number >= kTrampolineService) {
    const size_t k = number - kTrampolineService;
    if (k >= trampolines_.size())
      throw GuestFault("svc " + hex(number) + ", no function of the phone's", cpu_.reg(15) - 4, cpu_.reg(14));
    trampolines_[k](cpu_);
    return;
  }
  auto it = adapters().find(number);
  if (it == adapters().end())
    throw GuestFault("svc " + hex(number) + ", a service the phone does not have", cpu_.reg(15) - 4,
                     cpu_.reg(14));
  {
    // The service running, for the messages of what it is handed; the one it interrupted after.
    struct Running {
      unsigned& slot;
      unsigned saved;
      ~Running() { slot = saved; }
    } running{current_service_, std::exchange(current_service_, number)};
    check_buffers(*this, cpu_, number);
    it->second.serve(*this, cpu_);
  }
  if (number == fw_svc::fw_metadata_close) release_escapes();
}

const char* GuestRuntime::service_name(unsigned number) {
  auto it = adapters().find(number);
  return it == adapters().end() ? "a service" : it->second.name;
}

}  // namespace host::guest
