#pragma once

namespace host {

class Phone;

class Timers {
 public:
  explicit Timers(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
