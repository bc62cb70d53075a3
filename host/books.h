#pragma once

namespace host {

class Phone;

class Books {
 public:
  explicit Books(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
