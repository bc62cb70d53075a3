#include "files/phone_names.h"

#include <cstdint>
#include <cstdio>

#include "core/wstr.h"

namespace host {

bool is_phone_utf8(std::string_view bytes) {
  return utf16_to_utf8(utf8_to_utf16(bytes)) == bytes;
}

std::u16string phone_name(std::string_view bytes) {
  if (is_phone_utf8(bytes)) return utf8_to_utf16(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(char16_t(uint8_t(c)));
  return out;
}

std::u16string phone_path(const std::filesystem::path& relative) {
  std::u16string out;
  for (const std::filesystem::path& part : relative) {
    if (!out.empty()) out += u'/';
    out += phone_name(part.native());
  }
  return out;
}

namespace {

// The length of the UTF-8 sequence at `i` when it is one that comes back byte for byte, else 0.
size_t utf8_sequence(std::string_view s, size_t i) {
  const uint8_t c = uint8_t(s[i]);
  const size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > s.size() || c >= 0xF5) return 0;
  if (c == 0xC2 && uint8_t(s[i + 1]) < 0xA0) return 0;  // U+0080..U+009F: terminal controls
  return is_phone_utf8(s.substr(i, n)) ? n : 0;
}

}  // namespace

std::string escaped_name(std::string_view bytes, size_t most) {
  std::string out;
  const std::string_view shown = bytes.substr(0, most);
  char hex[8];
  for (size_t i = 0; i < shown.size();) {
    const uint8_t c = uint8_t(shown[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(char(c));
      ++i;
    } else if (c == '\\') {
      out += "\\\\";
      ++i;
    } else if (c == '\n') {
      out += "\\n";
      ++i;
    } else if (size_t n = c >= 0x80 ? utf8_sequence(shown, i) : 0) {
      out.append(shown.substr(i, n));
      i += n;
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
      ++i;
    }
  }
  if (bytes.size() > most) out += "… (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

}  // namespace host
