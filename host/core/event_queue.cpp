#include "core/event_queue.h"

namespace host {

uint64_t EventQueue::post_at(int64_t at, Task task) {
  if (at < now_) at = now_;
  uint64_t id = next_id_++;
  tasks_.emplace(std::make_pair(at, id), std::move(task));
  ids_.emplace(id, at);
  return id;
}

bool EventQueue::cancel(uint64_t id) {
  auto it = ids_.find(id);
  if (it == ids_.end()) return false;
  tasks_.erase({it->second, id});
  ids_.erase(it);
  return true;
}

bool EventQueue::run_one(int64_t limit) {
  if (tasks_.empty()) return false;
  auto it = tasks_.begin();
  if (it->first.first > limit) return false;
  now_ = it->first.first;
  Task task = std::move(it->second);
  ids_.erase(it->first.second);
  tasks_.erase(it);
  task();
  if (after_task_) after_task_();
  return true;
}

void EventQueue::run_until(int64_t until) {
  while (run_one(until)) {
  }
  if (until > now_) now_ = until;
}

}  // namespace host
