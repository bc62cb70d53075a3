#pragma once

namespace host {

class Phone;

class Fonts {
 public:
  explicit Fonts(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
