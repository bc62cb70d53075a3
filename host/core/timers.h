// Timers, deferred calls and UI-task calls: the add-on's code queued on the virtual clock. Each
// remembers the code it will call, so that unloading a module can cancel what is left of it.
#pragma once

#include "core/module.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/fw_types.h"

namespace host {

class Phone;

class Timers {
 public:
  explicit Timers(Phone& phone) : phone_(phone) {}

  // fw_timer_set: a live id restarts its timer, otherwise a new id is stored in *id.
  void set(uint16_t* id, int ms, TimerProc f, void* data);
  void kill(uint16_t* id);
  void run_deferred(DeferredProc f);
  void run_in_ui_task(TimerProc f);

  // Cancels every timer and queued call whose code the test accepts; returns how many.
  size_t cancel_code_in(const CodeTest& in_module);

  size_t live() const { return timers_.size(); }
  size_t queued_calls() const { return calls_.size(); }

 private:
  struct Timer {
    uint64_t task;
    uintptr_t code;
  };
  // Queues a call of the add-on's code `code` for now.
  void queue_call(uintptr_t code, std::function<void()> call);

  Phone& phone_;
  std::map<uint16_t, Timer> timers_;
  std::map<uint64_t, uintptr_t> calls_;  // queued deferred and UI-task calls
  uint16_t next_id_ = 1;
};

}  // namespace host
