#include "core/text_store.h"

#include <string>

#include "core/wstr.h"
#include "phone/phone.h"

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
