// The keypad: key presses go first to the installed key hooks, then (when every hook passes them
// on) to the shown GUI object, then to the media player.
#pragma once

#include "core/module.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/fw_types.h"

namespace host {

class Phone;

class Keys {
 public:
  explicit Keys(Phone& phone) : phone_(phone) {}

  int hook(KeyHookProc f, int install);
  size_t hooks() const { return hooks_.size(); }
  // Removes the hooks whose code the test accepts (an unloaded module); returns how many.
  size_t remove_code_in(const CodeTest& in_module);

  // Delivers one key event (a code and a press mode) now.
  void deliver(int key, int mode);
  // Queues a whole press: down, then short or long press, then up, each as its own task.
  void press(int key, bool long_press = false);

  // Where keys that every hook passed on go, in order, until one takes the key.
  using Sink = std::function<bool(int key, int mode)>;
  void add_sink(Sink s) { sinks_.push_back(std::move(s)); }

 private:
  Phone& phone_;
  std::vector<KeyHookProc> hooks_;
  std::vector<Sink> sinks_;
};

}  // namespace host
