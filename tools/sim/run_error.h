// A command that failed while the script ran: its line and what went wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace sim {

// A picture that cannot be written, an add-on that cannot be loaded, an expect that did not
// hold.
class RunError : public std::runtime_error {
 public:
  RunError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

}  // namespace sim
