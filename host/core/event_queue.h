// The virtual clock: every timer, tick, deferred call, redraw and outside stimulus is a task on
// one queue ordered by virtual time (then by posting order). Nothing sleeps.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace host {

class EventQueue {
 public:
  using Task = std::function<void()>;

  int64_t now() const { return now_; }

  // Queues `task` to run at virtual time `at` (not before now); returns an id for cancel().
  uint64_t post_at(int64_t at, Task task);
  uint64_t post_in(int64_t delay, Task task) { return post_at(now_ + delay, std::move(task)); }
  uint64_t post(Task task) { return post_at(now_, std::move(task)); }
  bool cancel(uint64_t id);
  bool pending(uint64_t id) const { return ids_.count(id) != 0; }

  // Runs every task due at or before `until`, in order, then sets the clock to `until`.
  void run_until(int64_t until);
  void run_for(int64_t ms) { run_until(now_ + ms); }
  // Runs the tasks due now (and those they queue for now).
  void settle() { run_until(now_); }
  // Runs the earliest task if it is due at or before `limit`; false when there is none.
  bool run_one(int64_t limit);

  // Called after every task: the phone's redraws, teardowns and unloads happen here.
  void set_after_task(std::function<void()> f) { after_task_ = std::move(f); }
  size_t size() const { return tasks_.size(); }

 private:
  std::map<std::pair<int64_t, uint64_t>, Task> tasks_;
  std::map<uint64_t, int64_t> ids_;
  std::function<void()> after_task_;
  int64_t now_ = 0;
  uint64_t next_id_ = 1;
};

}  // namespace host
