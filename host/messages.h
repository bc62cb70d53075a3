#pragma once

namespace host {

class Phone;

class Messages {
 public:
  explicit Messages(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
