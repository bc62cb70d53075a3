// Text handles: the phone's services fw_text_from_wstr, fw_text_from_int, fw_text_free.

#include <string>

#include "core/service_table.h"
#include "core/text_store.h"
#include "core/wstr.h"
#include "phone/phone.h"

namespace host::svc {

TEXTID fw_text_from_wstr(const char16_t* s, int, int) {
  return phone().texts().create(std::u16string(wview(s)));
}

TEXTID fw_text_from_int(int value) {
  return phone().texts().create(utf8_to_utf16(std::to_string(value)));
}

void fw_text_free(TEXTID text) { phone().texts().release(text); }

}  // namespace host::svc
