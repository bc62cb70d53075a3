#pragma once

namespace host {

class Phone;

class ImageStore {
 public:
  explicit ImageStore(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
