#include "config/choices.h"

#include "core/codes.h"
#include "screen/fonts.h"

namespace editor {

const std::vector<FontChoice>& phone_fonts() {
  static const std::vector<FontChoice> fonts = [] {
    // The phone's table lies well inside 16 bits; asking it about each id keeps this list its.
    std::vector<FontChoice> out;
    for (int id = 0; id <= 0xFFFF; ++id) {
      if (!host::Fonts::known(id)) continue;
      host::FontStyle s = host::Fonts::style(id);
      out.push_back({id, s.pixel_size, s.bold});
    }
    return out;
  }();
  return fonts;
}

const std::vector<KeyChoice>& phone_keys() {
  static const std::vector<KeyChoice> keys = [] {
    std::vector<KeyChoice> out;
    for (int code = 0; code <= 0xFF; ++code)
      if (const char* name = host::codes::key_name(code)) out.push_back({code, name});
    return out;
  }();
  return keys;
}

const std::vector<KeyChoice>& press_modes() {
  namespace c = host::codes;
  static const std::vector<KeyChoice> modes = {{c::KBD_DOWN, "down"},
                                               {c::KBD_SHORT_PRESS, "short press"},
                                               {c::KBD_LONG_PRESS, "long press"},
                                               {c::KBD_UP, "up"}};
  return modes;
}

}  // namespace editor
