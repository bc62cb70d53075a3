#pragma once

namespace host {

class Phone;

class TagReader {
 public:
  explicit TagReader(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
