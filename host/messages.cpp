#include "host/messages.h"

#include "host/event_queue.h"
#include "host/file_system.h"
#include "host/phone.h"
#include "host/service_table.h"
#include "host/text_store.h"
#include "host/wstr.h"

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

namespace host::svc {

// The message box takes the texts it is given and releases them when it closes.
void fw_message_box(TEXTID title, TEXTID text, int, int, int ms, BOOK*) {
  Phone& ph = phone();
  const std::u16string* t = ph.texts().get(text);
  ph.messages().show(t ? *t : std::u16string(), ms);
  ph.texts().release(text);
  ph.texts().release(title);
}

int fw_run_elf(const char16_t* path, const char16_t* arg1, const char16_t* arg2, int) {
  Phone& ph = phone();
  std::u16string p(wview(path));
  bool ok = false;
  size_t slash = p.rfind(u'/');
  if (slash != std::u16string::npos) {
    std::u16string folder = p.substr(0, slash), name = p.substr(slash + 1);
    uint32_t size;
    ok = ph.files().stat(folder, name, &size) == 0;
  }
  ph.messages().record_launch(
      {utf16_to_utf8(p), utf16_to_utf8(wview(arg1)), utf16_to_utf8(wview(arg2)), ok});
  return ok ? 0 : -1;
}

}  // namespace host::svc
