// The call trace: one line per firmware service call, `fw_name(arg1, arg2, ...)`. Integers in
// decimal (unsigned 32-bit values as unsigned numbers), strings double-quoted in UTF-8 with \",
// \\ and \n escaped, a null pointer as null, other pointers as ptr.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "core/wstr.h"

namespace host {

class Trace {
 public:
  ~Trace();
  // Writes lines to a file ("-" for standard output); false when it cannot be opened.
  bool open(const std::string& path);
  // Keeps lines in memory too, for tests.
  void capture(bool on) { capture_ = on; }
  bool active() const { return file_ != nullptr || capture_; }
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

  std::FILE* file_ = nullptr;
  bool owns_file_ = false;
  bool capture_ = false;
  std::vector<std::string> lines_;
};

}  // namespace host
