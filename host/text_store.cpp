#include "host/text_store.h"

#include <string>

#include "host/phone.h"
#include "host/service_table.h"
#include "host/wstr.h"

namespace host {

TEXTID TextStore::create(std::u16string text) {
  TEXTID id = next_++;
  if (next_ == EMPTY_TEXT) next_ = 0x10000;
  texts_.emplace(id, std::move(text));
  return id;
}

bool TextStore::release(TEXTID id) {
  if (id == EMPTY_TEXT) return true;
  if (texts_.erase(id)) return true;
  ++bad_releases_;
  return false;
}

const std::u16string* TextStore::get(TEXTID id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? nullptr : &it->second;
}

}  // namespace host

namespace host::svc {

TEXTID fw_text_from_wstr(const char16_t* s, int, int) {
  return phone().texts().create(std::u16string(wview(s)));
}

TEXTID fw_text_from_int(int value) {
  return phone().texts().create(utf8_to_utf16(std::to_string(value)));
}

void fw_text_free(TEXTID text) { phone().texts().release(text); }

}  // namespace host::svc
