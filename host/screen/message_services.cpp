// Messages and programs: the phone's services fw_message_box, fw_run_elf.

#include <string>

#include "core/service_table.h"
#include "core/text_store.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "phone/phone.h"
#include "screen/messages.h"

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
