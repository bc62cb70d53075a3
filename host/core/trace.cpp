#include "core/trace.h"

#include <cerrno>
#include <cstring>

#include "core/atomic_file.h"

namespace host {

Trace::Trace() = default;

Trace::~Trace() {
  try {
    close();
  } catch (const OutputError&) {
    // Nobody to tell: a run that looks closes the trace itself.
  }
}

bool Trace::open(const std::string& path) {
  if (path == "-") {
    stdout_ = stdout;
    return true;
  }
  try {
    out_ = std::make_unique<AtomicFile>(path);
    return true;
  } catch (const OutputError& e) {
    errno = e.error_number();
    return false;
  }
}

void Trace::close() {
  if (stdout_) {
    std::FILE* f = stdout_;
    stdout_ = nullptr;
    if (std::fflush(f) != 0 || std::ferror(f)) {
      const int err = errno;
      throw OutputError("standard output", std::string("cannot write: ") + std::strerror(err), err);
    }
  }
  if (out_) {
    const std::unique_ptr<AtomicFile> out = std::move(out_);
    out->commit();
  }
}

void Trace::write(const std::string& line) {
  if (out_) {
    out_->write(line);
    out_->write("\n", 1);
  } else if (stdout_ && !std::ferror(stdout_)) {
    // After a failed write (a reader gone, a signal that ended a blocked write) nothing more.
    std::fputs(line.c_str(), stdout_);
    std::fputc('\n', stdout_);
  }
  if (capture_) lines_.push_back(line);
}

void Trace::append_quoted(std::string& out, const std::string& utf8) {
  out += '"';
  for (char c : utf8) {
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  out += '"';
}

}  // namespace host
