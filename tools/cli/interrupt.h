// Ctrl+C and kill end a tool's long run at its next step rather than at once. The handlers only
// record the signal (all a signal handler may safely do); the run loop asks interrupted() and
// ends cleanly: its summary printed, its temporary files removed. A second signal of the same
// kind ends the process at once, for a run that no longer looks.
//
// A read or write the tool is blocked in (a FIFO, a terminal, a slow device) does not outlive
// the signal: it is not restarted, and from the first signal on the thread that caught
// interrupts is woken by SIGALRM once a second, so that one entered just after the signal ends
// too. Whichever thread the signal comes to, that thread is the one woken.
#pragma once

#include <signal.h>

namespace tools {

// Catches SIGINT and SIGTERM from now on, for the calling thread's run. Installed before SDL
// starts, these stay: SDL puts its own handlers only where none are set.
void catch_interrupts();

// The signal caught (SIGINT, SIGTERM), 0 for none.
int interrupted();

// The exit status of a run ended by `signal`: 128 + its number (130 for SIGINT, 143 for SIGTERM).
int interrupted_status(int signal);

// "SIGINT", "SIGTERM".
const char* signal_name(int signal);

}  // namespace tools
