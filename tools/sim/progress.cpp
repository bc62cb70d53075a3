#include "sim/progress.h"

#include <cstdio>

namespace sim {
namespace {

constexpr auto kFirst = std::chrono::milliseconds(500);
constexpr auto kEvery = std::chrono::milliseconds(100);
constexpr const char* kErase = "\r\033[K";

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool on, std::function<Clock::time_point()> now)
    : out_(out), on_(on), now_(std::move(now)), started_(now_()), last_(started_), buffer_(*this),
      stream_(&buffer_) {}

ProgressLine::~ProgressLine() { clear(); }

std::string ProgressLine::text(int line, int last_line, int64_t virtual_ms) {
  const int64_t tenths = virtual_ms / 100;
  const int64_t seconds = tenths / 10;
  char clock[48];
  if (seconds >= 3600)
    std::snprintf(clock, sizeof clock, "%lld:%02lld:%02lld.%lld", (long long)(seconds / 3600),
                  (long long)(seconds / 60 % 60), (long long)(seconds % 60),
                  (long long)(tenths % 10));
  else
    std::snprintf(clock, sizeof clock, "%lld:%02lld.%lld", (long long)(seconds / 60),
                  (long long)(seconds % 60), (long long)(tenths % 10));
  char buf[128];
  std::snprintf(buf, sizeof buf, "script line %d of %d, virtual time %s", line, last_line, clock);
  return std::string("tunestrip-sim: ") + buf;
}

void ProgressLine::update(int line, int last_line, int64_t virtual_ms) {
  if (!on_) return;
  const Clock::time_point t = now_();
  if (t - started_ < kFirst || (shown_ && t - last_ < kEvery)) return;
  last_ = t;
  out_ << kErase << text(line, last_line, virtual_ms) << std::flush;
  shown_ = true;
}

void ProgressLine::clear() {
  if (!shown_) return;
  out_ << kErase << std::flush;
  shown_ = false;
}

ProgressLine::Buffer::int_type ProgressLine::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  owner_.clear();
  owner_.out_.put(traits_type::to_char_type(c));
  return owner_.out_ ? c : traits_type::eof();
}

std::streamsize ProgressLine::Buffer::xsputn(const char* s, std::streamsize n) {
  owner_.clear();
  owner_.out_.write(s, n);
  return owner_.out_ ? n : 0;
}

int ProgressLine::Buffer::sync() {
  owner_.out_.flush();
  return owner_.out_ ? 0 : -1;
}

}  // namespace sim
