#include "skin/check_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>
#include <string>

#include "core/wstr.h"
#include "screen/fonts.h"

namespace skin::detail {

struct TextMeasure::Impl {
  FT_Library library = nullptr;
  FT_Face faces[2] = {nullptr, nullptr};  // regular, bold

  Impl() {
    if (FT_Init_FreeType(&library)) throw std::runtime_error("FreeType cannot start");
    for (int i = 0; i < 2; ++i)
      if (FT_New_Face(library, host::font_file(i == 1).c_str(), 0, &faces[i]))
        throw std::runtime_error("cannot open the phone's font " + host::font_file(i == 1));
  }
  ~Impl() {
    for (FT_Face f : faces)
      if (f) FT_Done_Face(f);
    FT_Done_FreeType(library);
  }
};

TextMeasure::TextMeasure() : impl_(std::make_unique<Impl>()) {}
TextMeasure::~TextMeasure() = default;

Box TextMeasure::ink(std::string_view text, int font_id) {
  const host::FontStyle style = host::Fonts::style(font_id);
  FT_Face face = impl_->faces[style.bold ? 1 : 0];
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(style.pixel_size));
  const int ascent = int((face->size->metrics.ascender + 63) >> 6);
  Box box{0, 0, 0, 0};
  bool any = false;
  long pen = 0;  // 26.6 fixed point
  for (char32_t c : host::utf16_code_points(host::utf8_to_utf16(std::string(text)))) {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    if (g->bitmap.width > 0 && g->bitmap.rows > 0) {
      const Box glyph{int((pen + 32) >> 6) + g->bitmap_left, ascent - g->bitmap_top, 0, 0};
      const Box placed{glyph.left, glyph.top, glyph.left + int(g->bitmap.width),
                       glyph.top + int(g->bitmap.rows)};
      if (!any) box = placed;
      box = {std::min(box.left, placed.left), std::min(box.top, placed.top),
             std::max(box.right, placed.right), std::max(box.bottom, placed.bottom)};
      any = true;
    }
    pen += g->advance.x;
  }
  return box;
}

}  // namespace skin::detail
