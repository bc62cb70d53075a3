#include "cli/interrupt.h"

#include <cstring>

namespace tools {
namespace {

volatile sig_atomic_t g_caught = 0;

extern "C" void on_interrupt(int signal) { g_caught = signal; }

sigset_t interrupt_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void catch_interrupts() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes carry on; the first signal puts the default action back, so
  // that a second one ends the process.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
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

HoldInterrupts::HoldInterrupts() {
  const sigset_t hold = interrupt_set();
  sigprocmask(SIG_BLOCK, &hold, &saved_);
}

HoldInterrupts::~HoldInterrupts() {
  sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace tools
