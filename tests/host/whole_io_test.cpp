// A whole read that a signal interrupts starts again until the run is asked to stop, and then
// ends with what it has: a Ctrl+C must end a read blocked on a device that never answers.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "core/whole_io.h"

namespace {

volatile sig_atomic_t g_signals = 0;

// The third signal asks for the stop, as the tools' handler does at the first Ctrl+C; the two
// before it stand for the other signals a run takes while it reads.
extern "C" void on_signal(int) {
  g_signals = g_signals + 1;
  if (g_signals == 3) host::request_stop();
}

TEST(WholeIo, BlockedReadEndsWithWhatItHasOnceAStopIsAsked) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on_signal;  // no SA_RESTART: the blocked read returns EINTR
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, nullptr), 0);

  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "abc", 3), 3);  // the writer stays open: the read would wait forever

  std::atomic<bool> done{false};
  const pthread_t reader = pthread_self();
  std::thread signaller([&] {
    while (!done) {
      pthread_kill(reader, SIGUSR1);
      poll(nullptr, 0, 5);
    }
  });
  char buf[16] = {};
  bool failed = false;
  const size_t got = host::read_whole(fds[0], buf, sizeof buf, &failed);
  const int err = errno;
  done = true;
  signaller.join();

  EXPECT_EQ(got, 3u);
  EXPECT_STREQ(buf, "abc");
  EXPECT_TRUE(failed);
  EXPECT_EQ(err, EINTR);
  EXPECT_GE(g_signals, 3) << "gave up at an interruption before the stop";
  EXPECT_TRUE(host::stop_requested());
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
