#include "screen/keys.h"

#include <algorithm>

#include "core/codes.h"
#include "core/event_queue.h"
#include "phone/phone.h"

namespace host {

int Keys::hook(KeyHookProc f, int install) {
  if (!f) return -1;
  auto it = std::find(hooks_.begin(), hooks_.end(), f);
  if (install) {
    if (it == hooks_.end()) hooks_.push_back(f);
  } else if (it != hooks_.end()) {
    hooks_.erase(it);
  }
  return 0;
}

size_t Keys::remove_code_in(const CodeTest& in_module) {
  return std::erase_if(hooks_, [&](KeyHookProc h) { return in_module(reinterpret_cast<uintptr_t>(h)); });
}

void Keys::deliver(int key, int mode) {
  // The newest hook sees the key first; an answer other than 1 withholds it.
  std::vector<KeyHookProc> hooks(hooks_.rbegin(), hooks_.rend());
  for (KeyHookProc h : hooks)
    if (h(key, 0, mode) != 1) return;
  for (const Sink& s : sinks_)
    if (s(key, mode)) return;
}

void Keys::press(int key, bool long_press) {
  const int modes[] = {codes::KBD_DOWN, long_press ? codes::KBD_LONG_PRESS : codes::KBD_SHORT_PRESS,
                       codes::KBD_UP};
  for (int m : modes) phone_.queue().post([this, key, m] { deliver(key, m); });
}

}  // namespace host
