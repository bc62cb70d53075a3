// Reads and writes of a whole count of bytes over a system descriptor, for the phone's files and
// the tools' inputs. A call a signal interrupts starts again, unless the run has been asked to
// stop: then a read blocked in a FIFO, a terminal or a stalled device ends with what it has, so
// that a Ctrl+C or a kill ends the run rather than waiting for the device.
#pragma once

#include <cstddef>

namespace host {

// Asks every whole read and write from now on to give up at its next interruption. Safe to call
// from a signal handler.
void request_stop() noexcept;
bool stop_requested() noexcept;

// Up to `size` bytes, fewer only at the end of the file, on a failure or once a stop was asked
// for; `failed` (if given) tells the last two, with errno set (EINTR for a stop).
size_t read_whole(int fd, void* buf, size_t size, bool* failed = nullptr);
size_t write_whole(int fd, const void* buf, size_t size, bool* failed = nullptr);

}  // namespace host
