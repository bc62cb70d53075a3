#pragma once

namespace host {

class Phone;

class GuiManager {
 public:
  explicit GuiManager(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
