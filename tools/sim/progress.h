// The progress line of a long scripted run on a terminal: the script line it runs and the virtual
// time, rewritten in place on standard error. Everything else the run prints goes through
// stream(), which takes the line away first, so that messages never run into it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace sim {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // Shows nothing unless `on` (standard error is a terminal and --quiet was not given). `now`
  // reads the clock (the tests give their own).
  ProgressLine(std::ostream& out, bool on, std::function<Clock::time_point()> now = Clock::now);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The stream for the run's other messages.
  std::ostream& stream() { return stream_; }

  // "script line 12 of 40, virtual time 1:02.5", shown once the run has taken half a second and
  // then at most ten times a second.
  void update(int line, int last_line, int64_t virtual_ms);
  // Takes the line away (before the summary or an error).
  void clear();

  // The text of the line.
  static std::string text(int line, int last_line, int64_t virtual_ms);

 private:
  // Passes everything to `out`, after taking the progress line away.
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(ProgressLine& owner) : owner_(owner) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

   private:
    ProgressLine& owner_;
  };

  std::ostream& out_;
  bool on_;
  std::function<Clock::time_point()> now_;
  Clock::time_point started_, last_;
  bool shown_ = false;
  Buffer buffer_;
  std::ostream stream_;
};

}  // namespace sim
