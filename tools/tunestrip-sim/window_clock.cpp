// The window's clock: the phone's virtual time moved on at the pace of real time, a frame
// presented on the way whenever one is wanted, and how well that went.
#if defined(TS_HAVE_SDL2)

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <thread>

#include "cli/interrupt.h"
#include "core/event_queue.h"
#include "window.h"

namespace sim {
namespace {

using std::chrono::milliseconds;

constexpr int64_t kMaxLagMs = 250;  // further behind real time, the clock skips ahead
// The window wakes this often to move the clock on, and presents at most one frame each time.
constexpr std::chrono::microseconds kFrame{16667};  // 60 a second

}  // namespace

bool Window::pace(int64_t until) {
  host::EventQueue& q = s_.phone().queue();
  while (!quit_) {
    poll();
    // Ctrl+C or kill ends the run as closing the window does, unsaved edits or not.
    if (tools::interrupted()) quit_ = true;
    if (quit_) break;
    long_presses();
    const auto now = Clock::now();
    watch(now);
    int64_t target = base_virtual_ + std::chrono::duration_cast<milliseconds>(now - base_real_).count();
    if (target - q.now() > kMaxLagMs) {
      // The run stalled (a slow command, the window dragged): carry on from here rather than
      // racing through the missed time.
      worst_lag_ = std::max(worst_lag_, target - q.now());
      ++skips_;
      base_virtual_ = q.now() - std::chrono::duration_cast<milliseconds>(now - base_real_).count();
      target = q.now();
    } else {
      worst_lag_ = std::max(worst_lag_, std::max<int64_t>(0, target - q.now()));
    }
    q.run_until(std::min(std::max(target, q.now()), until));
    const bool wanted = changed();
    if (const auto at = Clock::now(); at >= next_present_) {
      if (wanted) present();
      // The next frame is due a frame's time after this one was; a frame missed is not made up.
      next_present_ += kFrame;
      if (next_present_ < at) next_present_ = at + kFrame;
    }
    if (quit_) break;
    if (q.now() >= until) return true;
    // Sleep until the next frame is due or the virtual clock reaches `until`.
    auto wake = std::min(next_present_,
                         base_real_ + milliseconds(until - base_virtual_));
    std::this_thread::sleep_until(wake);
  }
  return false;
}

void Window::report() const {
  std::string waits;
  if (!waits_.empty()) {
    std::vector<double> sorted = waits_;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : sorted) sum += v;
    const double p99 = sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * 0.99))];
    char line[160];
    std::snprintf(line, sizeof line,
                  "; a change waited for its frame %.1f ms on average, 99%% within %.1f ms, "
                  "longest %.1f ms",
                  sum / double(sorted.size()), p99, sorted.back());
    waits = line;
  }
  char line[200];
  std::snprintf(line, sizeof line,
                "Window: %zu frames presented (%llu composed by the phone)%s; the clock lagged real "
                "time by at most %lld ms",
                presented_, static_cast<unsigned long long>(composed_), waits.c_str(),
                static_cast<long long>(worst_lag_));
  log_ << line;
  if (skips_) log_ << ", skipping ahead " << skips_ << " time(s)";
  log_ << ".\n";
}

}  // namespace sim

#endif
