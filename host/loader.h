#pragma once

namespace host {

class Phone;

class Loader {
 public:
  explicit Loader(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
