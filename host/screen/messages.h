// Message boxes and program launches the add-on asks for, recorded; and the text services.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

class Phone;

struct MessageBox {
  std::string text;  // UTF-8
  int timeout_ms;
  int64_t at_ms;     // virtual time it was shown
};

struct ElfLaunch {
  std::string path, arg1, arg2;  // UTF-8
  bool accepted;
};

class Messages {
 public:
  explicit Messages(Phone& phone) : phone_(phone) {}
  void show(const std::u16string& text, int timeout_ms);
  const std::vector<MessageBox>& shown() const { return shown_; }
  // The message still on screen at the current virtual time, if any.
  const MessageBox* visible() const;
  void record_launch(ElfLaunch l) { launches_.push_back(std::move(l)); }
  const std::vector<ElfLaunch>& launches() const { return launches_; }

 private:
  Phone& phone_;
  std::vector<MessageBox> shown_;
  std::vector<ElfLaunch> launches_;
};

}  // namespace host
