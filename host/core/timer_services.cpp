// Timers and deferred calls: the phone's services fw_timer_set, fw_timer_kill, fw_run_deferred,
// fw_run_in_ui_task.

#include "core/service_table.h"
#include "core/timers.h"
#include "phone/phone.h"

namespace host::svc {

void fw_timer_set(uint16_t* timer, int ms, TimerProc f, void* data) {
  phone().timers().set(timer, ms, f, data);
}
void fw_timer_kill(uint16_t* timer) { phone().timers().kill(timer); }
void fw_run_deferred(DeferredProc f) { phone().timers().run_deferred(f); }
void fw_run_in_ui_task(TimerProc f) { phone().timers().run_in_ui_task(f); }

}  // namespace host::svc
