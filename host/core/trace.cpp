#include "core/trace.h"

namespace host {

Trace::~Trace() {
  if (file_ && owns_file_) std::fclose(file_);
}

bool Trace::open(const std::string& path) {
  if (path == "-") {
    file_ = stdout;
    owns_file_ = false;
    return true;
  }
  file_ = std::fopen(path.c_str(), "w");
  owns_file_ = file_ != nullptr;
  return file_ != nullptr;
}

void Trace::write(const std::string& line) {
  if (file_) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
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
