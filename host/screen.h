#pragma once

namespace host {

class Phone;

class Screen {
 public:
  explicit Screen(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
