// The phone's call-by-number stubs: every fw_* service is an ARM-state function whose body is a
// software interrupt carrying the service number in its comment field, then a return. The caller
// has laid out the arguments as for any call (r0-r3, the rest on the stack); the firmware's
// handler reads the number from the instruction, runs the service on those arguments and comes
// back after the `svc` with the result in r0. A number with 0x8000 added returns the service's
// entry in r0 instead. The stubs stay ARM code when the rest is Thumb: callers reach them with
// `blx`, and `bx lr` returns to either state.
#include "platform/fw.h"

// The parameters are named for the reader: the firmware takes them from where the caller put them.
#pragma GCC diagnostic ignored "-Wunused-parameter"

#define FW_STUB_ATTRS __attribute__((naked, target("arm"), used))
#define FW_STUB_BODY(num) asm volatile("svc %c0\n\tbx lr" : : "i"(num))

#define FW_SERVICE(num, name, ret, params, args) \
  FW_STUB_ATTRS ret name params { FW_STUB_BODY(num); }
#include "platform/fw_service_list.h"
#undef FW_SERVICE

FW_STUB_ATTRS int fw_format_wstr(char16_t*, int, const char16_t*, ...) {
  FW_STUB_BODY(FW_SVC_FORMAT_WSTR);
}
