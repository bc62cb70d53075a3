// UTF-16 helpers of the phone.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::u16string utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(std::u16string_view s);
// A zero-terminated wide string as a view; null gives an empty view.
std::u16string_view wview(const char16_t* s);
// Single-byte code page text (cp1251 or latin1) to UTF-16.
std::u16string codepage_to_utf16(std::string_view bytes, std::string_view codepage);
// Lower-case ASCII folding, for the phone's case-insensitive file names.
std::string ascii_lower(std::string s);

}  // namespace host
