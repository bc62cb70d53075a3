// The table of font ids (screen/fonts.h), apart from the rasteriser: the configuration and skin
// tools ask which ids the phone has without loading FreeType.
#include "screen/fonts.h"

namespace host {

std::optional<FontStyle> Fonts::table_style(int id) {
  if (id >= 1 && id <= 20) return FontStyle{7 + id / 4, false};
  if (id >= 21 && id <= 40) return FontStyle{12 + (id - 21) / 2, true};
  int n = id & 0xFF;
  if ((id & ~0x1FF) == 0x2000 && n >= 8 && n <= 72) return FontStyle{n * 4 / 5, (id & 0x100) != 0};
  return std::nullopt;
}

FontStyle Fonts::style(int id) {
  return table_style(id).value_or(FontStyle{DEFAULT_PIXEL_SIZE, false});
}

}  // namespace host
