// Ctrl+C and kill end a tool's long run at its next step rather than at once. The handlers only
// record the signal (all a signal handler may safely do); the run loop asks interrupted() and
// ends cleanly: its summary printed, its temporary files removed. A second signal of the same
// kind ends the process at once, for a run that no longer looks.
#pragma once

#include <signal.h>

namespace tools {

// Catches SIGINT and SIGTERM from now on. Installed before SDL starts, these stay: SDL puts its
// own handlers only where none are set.
void catch_interrupts();

// The signal caught (SIGINT, SIGTERM), 0 for none.
int interrupted();

// The exit status of a run ended by `signal`: 128 + its number (130 for SIGINT, 143 for SIGTERM).
int interrupted_status(int signal);

// "SIGINT", "SIGTERM".
const char* signal_name(int signal);

// While alive, SIGINT and SIGTERM wait: a file replaced through a temporary one is written and
// renamed whole, and the temporary file never stays behind. A signal that came meanwhile is
// delivered when the hold ends.
class HoldInterrupts {
 public:
  HoldInterrupts();
  ~HoldInterrupts();
  HoldInterrupts(const HoldInterrupts&) = delete;
  HoldInterrupts& operator=(const HoldInterrupts&) = delete;

 private:
  sigset_t saved_;  // the signal mask before the hold
};

}  // namespace tools
