// Output files written whole or not at all.
//
// An AtomicFile's bytes go into a temporary file beside the file it replaces, named
// ".NAME.XXXXXX.tmp" and locked (flock) while it lives. commit() checks every write and the
// close, gives the temporary the mode, owner and group of the file it replaces (a new file gets
// 0666 less the umask), and renames it over that file. Until then an earlier file of that name
// stays as it was; a failure removes the temporary. A temporary left behind by a process killed
// outright has lost its lock: the next writer of the same name removes it.
//
// A file its user has made read-only is refused, as editors do, and so is anything that is not
// a regular file (a folder, a FIFO, a device). A symbolic link stays: the file it names is
// replaced.
//
// FileLock serialises read-modify-write cycles on a file across processes: each writer holds it
// on the file's current inode from before its read until after its rename.
#pragma once

#include <signal.h>

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace host {

// While alive, SIGINT and SIGTERM wait (they are delivered when it ends): a file put in place by
// a rename is there whole or not at all, and no temporary stays behind a signal.
class HoldSignals {
 public:
  HoldSignals();
  ~HoldSignals();
  HoldSignals(const HoldSignals&) = delete;
  HoldSignals& operator=(const HoldSignals&) = delete;

 private:
  sigset_t saved_;
};

// "PATH: DETAIL", DETAIL as "cannot write: No space left on device"; the errno behind it.
class OutputError : public std::runtime_error {
 public:
  OutputError(const std::filesystem::path& path, const std::string& detail, int error_number)
      : std::runtime_error(path.string() + ": " + detail),
        path_(path),
        detail_(detail),
        errno_(error_number) {}
  const std::filesystem::path& path() const { return path_; }
  const std::string& detail() const { return detail_; }
  int error_number() const { return errno_; }

 private:
  std::filesystem::path path_;
  std::string detail_;
  int errno_;
};

class AtomicFile {
 public:
  // Makes the temporary beside `path`; throws OutputError when `path` may not or cannot be
  // written. `durable`: the bytes reach the disk (fsync) before the rename.
  explicit AtomicFile(const std::filesystem::path& path, bool durable = false);
  // Removes the temporary unless commit() put it in place.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends bytes (buffered). False once anything could not be written; the reason waits for
  // commit(), and later writes are dropped.
  bool write(const void* data, size_t size);
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  bool failed() const { return error_ != 0; }

  // Puts the file in place; throws OutputError (and removes the temporary) when a write, the
  // close or the rename failed. SIGINT and SIGTERM wait until the file is in place or gone.
  void commit();

  // The path as given.
  const std::filesystem::path& path() const { return path_; }

 private:
  bool flush();
  // Removes the temporary and throws "PATH: WHAT: the reason of `err`".
  [[noreturn]] void fail(const char* what, int err);
  void discard();

  std::filesystem::path path_;    // as given
  std::filesystem::path target_;  // the file replaced: path_, or the file its link names
  std::filesystem::path temp_;
  int fd_ = -1;       // the temporary, written
  int lock_fd_ = -1;  // the same open file: its lock lasts until after the rename
  bool durable_;
  bool existed_ = false;
  unsigned mode_ = 0;
  unsigned uid_ = 0, gid_ = 0;
  int error_ = 0;  // errno of the first write that failed
  std::string failure_;  // what made commit() fail, and its errno
  int failure_errno_ = 0;
  bool committed_ = false;
  std::string buffer_;
};

class FileLock {
 public:
  // Locks the file `path` names (through a link), waiting for another holder; nothing when
  // there is no file to lock (the read that follows says why).
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace host
