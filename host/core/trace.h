// The call trace: one line per firmware service call, `fw_name(arg1, arg2, ...)`. Integers in
// decimal (unsigned 32-bit values as unsigned numbers), strings double-quoted in UTF-8 with \",
// \\ and \n escaped, a null pointer as null, other pointers as ptr.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/wstr.h"

namespace host {

class AtomicFile;

class Trace {
 public:
  Trace();
  // Puts a file not closed yet in place, as far as it was written.
  ~Trace();
  // Writes lines to a file ("-" for standard output); false (errno set) when it cannot be
  // written. The file is written whole or not at all (core/atomic_file.h); an earlier trace of
  // the name stays until close().
  bool open(const std::string& path);
  // Ends the file: puts it in place, or throws OutputError naming it and the reason a write or
  // the close failed (the earlier file then stays). Standard output is flushed and checked.
  void close();
  // Keeps lines in memory too, for tests.
  void capture(bool on) { capture_ = on; }
  bool active() const { return out_ || stdout_ || capture_; }
  const std::vector<std::string>& lines() const { return lines_; }
  void clear() { lines_.clear(); }
  void write(const std::string& line);

  template <typename... A>
  void call(const char* name, A... args) {
    if (!active()) return;
    std::string line = name;
    line += '(';
    [[maybe_unused]] bool first = true;
    ((append_sep(line, first), append(line, args)), ...);
    line += ')';
    write(line);
  }

  static void append_quoted(std::string& out, const std::string& utf8);

 private:
  static void append_sep(std::string& out, bool& first) {
    if (!first) out += ", ";
    first = false;
  }
  static void append(std::string& out, const char16_t* s) {
    if (!s) { out += "null"; return; }
    append_quoted(out, utf16_to_utf8(s));
  }
  static void append(std::string& out, const char* s) {
    if (!s) { out += "null"; return; }
    append_quoted(out, s);
  }
  template <typename T>
  static void append(std::string& out, T v) {
    if constexpr (std::is_pointer_v<T>) {
      out += v ? "ptr" : "null";
    } else if constexpr (std::is_integral_v<T>) {
      if constexpr (std::is_signed_v<T>)
        out += std::to_string(static_cast<long long>(v));
      else
        out += std::to_string(static_cast<unsigned long long>(v));
    } else {
      out += "?";
    }
  }

  std::unique_ptr<AtomicFile> out_;
  std::FILE* stdout_ = nullptr;  // "-"
  bool capture_ = false;
  std::vector<std::string> lines_;
};

}  // namespace host
