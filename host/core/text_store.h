// Displayable text handles.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/fw_types.h"

namespace host {

class TextStore {
 public:
  TEXTID create(std::u16string text);
  // Releases a handle. EMPTY_TEXT is not a live handle: releasing it does nothing. False for an
  // unknown handle.
  bool release(TEXTID id);
  // The text of a handle; EMPTY_TEXT and unknown handles read as null.
  const std::u16string* get(TEXTID id) const;
  size_t live() const { return texts_.size(); }
  size_t bad_releases() const { return bad_releases_; }

 private:
  std::unordered_map<TEXTID, std::u16string> texts_;
  TEXTID next_ = 0x10000;
  size_t bad_releases_ = 0;
};

}  // namespace host
