#include "core/whole_io.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace host {
namespace {

volatile std::sig_atomic_t g_stop = 0;

// Runs `step` (one read or write) until `size` bytes are done, the file ends or it fails.
template <typename Step>
size_t whole(size_t size, bool* failed, Step step) {
  size_t done = 0;
  bool bad = false;
  while (done < size) {
    const ssize_t n = step(done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR && !g_stop) continue;
    bad = n < 0;
    break;
  }
  if (failed) *failed = bad;
  return done;
}

}  // namespace

void request_stop() noexcept { g_stop = 1; }

bool stop_requested() noexcept { return g_stop != 0; }

size_t read_whole(int fd, void* buf, size_t size, bool* failed) {
  return whole(size, failed,
               [&](size_t done) { return ::read(fd, static_cast<char*>(buf) + done, size - done); });
}

size_t write_whole(int fd, const void* buf, size_t size, bool* failed) {
  return whole(size, failed, [&](size_t done) {
    return ::write(fd, static_cast<const char*>(buf) + done, size - done);
  });
}

}  // namespace host
