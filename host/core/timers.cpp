#include "core/timers.h"

#include "core/event_queue.h"
#include "phone/phone.h"

namespace host {

void Timers::set(uint16_t* id, int ms, TimerProc f, void* data) {
  if (!id || !f) return;
  uint16_t tid = *id;
  auto it = timers_.find(tid);
  if (it != timers_.end()) {
    phone_.queue().cancel(it->second.task);
  } else {
    do {
      tid = next_id_++;
      if (next_id_ == 0) next_id_ = 1;
    } while (tid == 0 || timers_.count(tid));
    *id = tid;
  }
  uint64_t task = phone_.queue().post_in(ms < 0 ? 0 : ms, [this, tid, f, data] {
    timers_.erase(tid);
    f(tid, data);
  });
  timers_[tid] = Timer{task, reinterpret_cast<uintptr_t>(f)};
}

void Timers::kill(uint16_t* id) {
  if (!id) return;
  auto it = timers_.find(*id);
  if (it == timers_.end()) return;
  phone_.queue().cancel(it->second.task);
  timers_.erase(it);
}

void Timers::queue_call(uintptr_t code, std::function<void()> call) {
  auto id = std::make_shared<uint64_t>(0);
  *id = phone_.queue().post([this, id, call = std::move(call)] {
    calls_.erase(*id);
    call();
  });
  calls_[*id] = code;
}

void Timers::run_deferred(DeferredProc f) {
  if (f) queue_call(reinterpret_cast<uintptr_t>(f), [f] { f(); });
}

void Timers::run_in_ui_task(TimerProc f) {
  if (f) queue_call(reinterpret_cast<uintptr_t>(f), [f] { f(0, nullptr); });
}

size_t Timers::cancel_code_in(const CodeTest& in_module) {
  size_t n = 0;
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (in_module(it->second.code)) {
      phone_.queue().cancel(it->second.task);
      it = timers_.erase(it);
      ++n;
    } else {
      ++it;
    }
  }
  for (auto it = calls_.begin(); it != calls_.end();) {
    if (in_module(it->second)) {
      phone_.queue().cancel(it->first);
      it = calls_.erase(it);
      ++n;
    } else {
      ++it;
    }
  }
  return n;
}

}  // namespace host
