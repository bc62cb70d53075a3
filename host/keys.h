#pragma once

namespace host {

class Phone;

class Keys {
 public:
  explicit Keys(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
