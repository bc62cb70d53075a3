#include "screen/messages.h"

#include "core/event_queue.h"
#include "core/text_store.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "phone/phone.h"

namespace host {

void Messages::show(const std::u16string& text, int timeout_ms) {
  shown_.push_back({utf16_to_utf8(text), timeout_ms, phone_.queue().now()});
}

const MessageBox* Messages::visible() const {
  if (shown_.empty()) return nullptr;
  const MessageBox& m = shown_.back();
  return phone_.queue().now() < m.at_ms + m.timeout_ms ? &m : nullptr;
}

}  // namespace host
