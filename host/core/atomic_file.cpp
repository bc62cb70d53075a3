#include "core/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/file_kind.h"

namespace fs = std::filesystem;

namespace host {
namespace {

constexpr size_t kBuffer = size_t(1) << 16;
constexpr size_t kNameKept = 200;  // of the file's name, in its temporary's
constexpr std::string_view kTempEnd = ".tmp";
constexpr size_t kRandom = 6;

std::string reason(int err) { return std::strerror(err); }

// ".NAME." of the temporaries of a file NAME.
std::string temp_prefix(const fs::path& target) {
  std::string prefix = ".";  // built by appends: GCC 12 misreports "." + string under -O2
  prefix += target.filename().string().substr(0, kNameKept);
  prefix += '.';
  return prefix;
}

std::string random_part() {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 gen{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string s;
  for (size_t i = 0; i < kRandom; ++i) s += kChars[pick(gen)];
  return s;
}

// Removes the temporaries of `prefix` in `dir` that no living writer holds. A writer locks its
// temporary before giving it any permission bits, so one without them is still being made.
void remove_stale(const fs::path& dir, const std::string& prefix) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() != prefix.size() + kRandom + kTempEnd.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - kTempEnd.size(), kTempEnd.size(), kTempEnd) != 0)
      continue;
    const int fd = ::open(e.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, now;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && (held.st_mode & 07777) != 0 &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(e.path().c_str(), &now) == 0 &&
        now.st_dev == held.st_dev && now.st_ino == held.st_ino)
      ::unlink(e.path().c_str());
    ::close(fd);
  }
}

// The file a path names, through a symbolic link that leads to one.
fs::path resolved(const fs::path& path) {
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    fs::path to = fs::canonical(path, ec);
    if (!ec) return to;
  }
  return path;
}

mode_t new_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}


}  // namespace

AtomicFile::AtomicFile(const fs::path& path, bool durable)
    : path_(path), target_(resolved(path)), durable_(durable) {
  struct stat st;
  if (::stat(target_.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      const char* kind = special_file_kind(fs::status(target_));
      throw OutputError(path_, std::string("is ") + (kind ? kind : "not a regular file") + ", not a file",
                        S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if ((st.st_mode & 0222) == 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
      throw OutputError(path_, std::string("cannot write: the file is read-only (mode ") + mode + ")",
                        EACCES);
    }
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
      fail("cannot write", errno);
    existed_ = true;
    mode_ = st.st_mode & 07777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
  } else if (errno != ENOENT) {
    fail("cannot write", errno);
  } else {
    mode_ = new_file_mode();
  }

  fs::path dir = target_.parent_path();
  if (dir.empty()) dir = ".";
  const std::string prefix = temp_prefix(target_);
  remove_stale(dir, prefix);
  // Made with no permission bits, locked, then given its owner's: see remove_stale.
  for (int attempt = 0; fd_ < 0; ++attempt) {
    fs::path temp = dir / (prefix + random_part() + std::string(kTempEnd));
    fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd_ >= 0) {
      temp_ = std::move(temp);
    } else if (errno != EEXIST || attempt == 100) {
      fail("cannot write", errno);
    }
  }
  lock_fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  while (lock_fd_ >= 0 && ::flock(lock_fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  if (lock_fd_ < 0 || ::fchmod(fd_, 0600) != 0) fail("cannot write", errno);
  buffer_.reserve(kBuffer);
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
  if (lock_fd_ >= 0) ::close(lock_fd_);
  fd_ = lock_fd_ = -1;
  temp_.clear();
}

void AtomicFile::fail(const char* what, int err) {
  discard();
  failure_ = std::string(what) + ": " + reason(err);
  failure_errno_ = err;
  throw OutputError(path_, failure_, err);
}

bool AtomicFile::write(const void* data, size_t size) {
  if (error_ != 0 || fd_ < 0) return false;
  buffer_.append(static_cast<const char*>(data), size);
  return buffer_.size() < kBuffer || flush();
}

bool AtomicFile::flush() {
  size_t done = 0;
  while (done < buffer_.size() && error_ == 0) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n > 0)
      done += size_t(n);
    else if (n == 0)
      error_ = ENOSPC;
    else if (errno != EINTR)
      error_ = errno;
  }
  buffer_.clear();
  return error_ == 0;
}

void AtomicFile::commit() {
  if (committed_) return;
  if (fd_ < 0) throw OutputError(path_, failure_, failure_errno_);
  const HoldSignals hold;  // a Ctrl+C or kill waits until the file is in place or gone
  flush();
  if (error_ != 0) fail("cannot write", error_);
  struct stat st;
  if (::fstat(fd_, &st) != 0) fail("cannot write", errno);
  if (existed_ && (st.st_uid != uid_ || st.st_gid != gid_) && ::fchown(fd_, uid_, gid_) != 0)
    fail("cannot keep its owner and group", errno);
  if (::fchmod(fd_, mode_) != 0) fail("cannot set its permissions", errno);
  if (durable_ && ::fsync(fd_) != 0) fail("cannot write", errno);
  // The last write errors of some file systems (NFS) come with the close. The lock stays on
  // lock_fd_ until the file is in place.
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail("cannot write", errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) fail("cannot replace", errno);
  temp_.clear();
  ::close(lock_fd_);
  lock_fd_ = -1;
  committed_ = true;
}

FileLock::FileLock(const fs::path& path) {
  const fs::path target = resolved(path);
  // Whoever replaces the file meanwhile unlocks the old one: lock again the file now there.
  for (;;) {
    fd_ = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return;
    struct stat held, now;
    if (::fstat(fd_, &held) != 0 || !S_ISREG(held.st_mode)) break;
    int locked;
    while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 || (::stat(target.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
                        now.st_ino == held.st_ino))
      return;
    ::close(fd_);
  }
  ::close(fd_);
  fd_ = -1;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

HoldSignals::HoldSignals() {
  sigset_t hold;
  sigemptyset(&hold);
  sigaddset(&hold, SIGINT);
  sigaddset(&hold, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &hold, &saved_);
}

HoldSignals::~HoldSignals() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace host
