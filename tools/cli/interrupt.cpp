#include "cli/interrupt.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/whole_io.h"

namespace tools {
namespace {

volatile sig_atomic_t g_caught = 0;
pthread_t g_runner;  // the thread that caught interrupts: the one a blocked call holds up

constexpr unsigned kWakeSeconds = 1;

// Ends the call the runner is blocked in, now and again each kWakeSeconds: a call entered just
// after the signal, before the run could look, ends at the next wake.
void wake_runner() {
  if (!pthread_equal(pthread_self(), g_runner))
    pthread_kill(g_runner, SIGALRM);
  else
    alarm(kWakeSeconds);
}

extern "C" void on_interrupt(int signal) {
  const int saved = errno;
  g_caught = signal;
  host::request_stop();
  wake_runner();
  errno = saved;
}

extern "C" void on_wake(int) {
  const int saved = errno;
  if (g_caught) wake_runner();
  errno = saved;
}

void install(int signal, void (*handler)(int), int flags) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void catch_interrupts() {
  g_runner = pthread_self();
  // No SA_RESTART: a blocked read or write returns (EINTR) to a run that then looks. The first
  // signal puts the default action back, so that a second one ends the process.
  install(SIGINT, on_interrupt, SA_RESETHAND);
  install(SIGTERM, on_interrupt, SA_RESETHAND);
  install(SIGALRM, on_wake, 0);
}

int interrupted() { return g_caught; }

int interrupted_status(int signal) { return 128 + signal; }

const char* signal_name(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "a signal";
  }
}

}  // namespace tools
