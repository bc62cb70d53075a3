// Ctrl+C and kill end a tunestrip-sim run cleanly: the simulator runs as a process, the test
// waits for a line it prints, sends the signal and finds the summary, the exit status 128 + the
// signal and no temporary phone folder left behind.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/interrupt.h"
#include "test_phone.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The simulator as a child process: its standard error read through a pipe, its standard output
// into a file, its temporary folder (TMPDIR) one of the test's own.
class Child {
 public:
  Child(const std::vector<std::string>& args, const fs::path& dir, const fs::path& tmpdir,
        const std::vector<std::string>& env_extra) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string out = (dir / "stdout.txt").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

    // The environment with TMPDIR and the extra variables put in place of their own.
    std::vector<std::string> env_strings = env_extra;
    env_strings.push_back("TMPDIR=" + tmpdir.string());
    const auto replaced = [&](std::string_view var) {
      for (const std::string& e : env_strings)
        if (var.substr(0, e.find('=') + 1) == e.substr(0, e.find('=') + 1)) return true;
      return false;
    };
    for (char** e = environ; *e; ++e)
      if (!replaced(*e)) env_strings.push_back(*e);
    std::vector<char*> env, argv;
    for (std::string& e : env_strings) env.push_back(e.data());
    env.push_back(nullptr);
    std::vector<std::string> all = args;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    err_fd_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (err_fd_ >= 0) close(err_fd_);
  }
  bool started() const { return pid_ > 0; }

  // Reads standard error until it holds `line` (true), it ends or the time is up (false).
  bool wait_for(const std::string& line, std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (err_.find(line) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
      if (left.count() <= 0 || read_some(int(left.count())) == Read::End) return false;
    }
    return true;
  }
  void signal(int sig) { kill(pid_, sig); }
  // The exit status, reading standard error to its end; -1 when the process did not exit within
  // the limit or ended by a signal.
  int wait_exit(std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until && read_some(200) != Read::End) {
    }
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() >= until) return -1;
      poll(nullptr, 0, 20);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& err() const { return err_; }

 private:
  enum class Read { Some, Nothing, End };
  // Reads what came within `ms`.
  Read read_some(int ms) {
    pollfd p{err_fd_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return Read::Nothing;
    char buf[4096];
    const ssize_t n = read(err_fd_, buf, sizeof buf);
    if (n <= 0) return Read::End;
    err_.append(buf, size_t(n));
    return Read::Some;
  }

  pid_t pid_ = -1;
  int err_fd_ = -1;
  std::string err_;
};

// The run's phone folders, or with `prefix` "tunestrip-skin." its unpacked skins.
std::vector<fs::path> phone_folders(const fs::path& tmpdir,
                                    const std::string& prefix = "tunestrip-phone-") {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(tmpdir))
    if (e.path().filename().string().rfind(prefix, 0) == 0) out.push_back(e.path());
  return out;
}

// A week of playback with the panel shown: far longer than any test waits.
constexpr const char* kLongRun =
    "player start\n"
    "addon start\n"
    "key hot\n"
    "echo running\n"
    "wait 604800000\n";

TEST(SimInterrupt, SignalEndsTheRunWithSummaryStatusAndNoPhoneFolder) {
  struct Case {
    const char* what;
    int signal;
    std::vector<std::string> args;  // after the program
    std::vector<std::string> env;
    std::string line;  // printed once the run is under way
  } cases[] = {
      {"scripted", SIGINT, {"--script", "long.txt"}, {}, "running\n"},
      {"scripted, a packed skin", SIGINT, {"--script", "long.txt", "--skin", "skin.zip"}, {},
       "running\n"},
      {"scripted, recording a GIF", SIGTERM, {"--script", "long.txt", "--gif", "run.gif"}, {},
       "running\n"},
      // The window on SDL's offscreen driver (asked for, so the window accepts it). Mesa's EGL
      // keeps a few small blocks to the end, which the leak checker would report as the run's.
      {"window", SIGTERM, {"--interactive", "--mute"},
       {"SDL_VIDEODRIVER=offscreen", "ASAN_OPTIONS=detect_leaks=0"},
       "the phone runs in the window"},
      {"window with the editor", SIGINT, {"--interactive", "--edit", "--mute"},
       {"SDL_VIDEODRIVER=offscreen", "ASAN_OPTIONS=detect_leaks=0"},
       "the phone runs in the window"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ts::TempDir dir, tmpdir;
    ts::write_file(dir.path() / "long.txt", kLongRun);
    const bool packed = std::find(c.args.begin(), c.args.end(), "skin.zip") != c.args.end();
    if (packed) {
      ASSERT_EQ(ts::run_command((ts::bin_dir() / "tunestrip-skin").string() + " pack '" +
                                (ts::source_dir() / "skin" / "default").string() + "' -o '" +
                                (dir.path() / "skin.zip").string() + "' >/dev/null"),
                0);
    }
    std::vector<std::string> args{(ts::bin_dir() / "tunestrip-sim").string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Child child(args, dir.path(), tmpdir.path(), c.env);
    ASSERT_TRUE(child.started());
    if (!child.wait_for(c.line, std::chrono::seconds(120))) {
      // Only the window may be missing, in a build or on a machine without one.
      const bool no_window = child.err().find("--interactive: ") != std::string::npos ||
                             child.err().find("--edit: ") != std::string::npos;
      EXPECT_TRUE(no_window) << child.err();
      continue;
    }
    EXPECT_EQ(phone_folders(tmpdir.path()).size(), 1u);  // the run's phone, while it runs
    EXPECT_EQ(phone_folders(tmpdir.path(), "tunestrip-skin.").size(), packed ? 1u : 0u);
    child.signal(c.signal);
    EXPECT_EQ(child.wait_exit(std::chrono::seconds(120)), 128 + c.signal) << child.err();
    const std::string name = c.signal == SIGINT ? "SIGINT" : "SIGTERM";
    EXPECT_NE(child.err().find("tunestrip-sim: interrupted by " + name + " after "),
              std::string::npos)
        << child.err();
    const std::string out = ts::read_file(dir.path() / "stdout.txt");
    EXPECT_EQ(out.rfind("Ran ", 0), 0u) << out;
    EXPECT_NE(out.find("\nResources "), std::string::npos) << out;
    EXPECT_TRUE(phone_folders(tmpdir.path()).empty());
    EXPECT_TRUE(phone_folders(tmpdir.path(), "tunestrip-skin.").empty());
    if (c.args.size() > 2 && c.args[2] == "--gif") {
      // The GIF is finished: its trailer is the file's last byte.
      const std::string gif = ts::read_file(dir.path() / "out" / "run.gif");
      ASSERT_GT(gif.size(), 6u);
      EXPECT_EQ(gif.substr(0, 6), "GIF89a");
      EXPECT_EQ(gif.back(), '\x3b');
    }
  }
}

// A read that blocks (a pipe nobody writes, as a FIFO, a terminal or a stalled device would) ends
// at the first signal, whichever of the process's threads the signal comes to, and the run that
// then looks ends with 128 + the signal. The signal may come before the read begins: the wake
// that follows it ends the read all the same.
TEST(SimInterrupt, ABlockedReadEndsAtTheFirstSignal) {
  struct Case {
    const char* what;
    int signal;
    bool to_other_thread;
  } cases[] = {
      {"SIGTERM to the process", SIGTERM, false},
      {"SIGINT to another thread", SIGINT, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int ready[2], idle[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(idle), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      tools::catch_interrupts();
      // Another thread that takes signals too, itself blocked in a read.
      std::thread other([&] {
        const pid_t tid = gettid();
        char b;
        if (write(ready[1], &tid, sizeof tid) == sizeof tid) (void)!read(idle[0], &b, 1);
      });
      other.detach();
      char b;
      while (read(idle[0], &b, 1) < 0 && errno == EINTR && !tools::interrupted()) {
      }
      const int signal = tools::interrupted();
      _exit(signal ? tools::interrupted_status(signal) : 99);
    }
    close(ready[1]);
    pid_t tid = 0;
    ASSERT_EQ(read(ready[0], &tid, sizeof tid), ssize_t(sizeof tid));
    if (c.to_other_thread)
      syscall(SYS_tgkill, pid, tid, c.signal);
    else
      kill(pid, c.signal);
    // A limit for a read that never ends, not a measure: the wake comes within a second.
    int status = 0;
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() >= until) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the read outlived the signal";
        break;
      }
      poll(nullptr, 0, 20);
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
    close(ready[0]);
    close(idle[0]);
    close(idle[1]);
  }
}

}  // namespace
