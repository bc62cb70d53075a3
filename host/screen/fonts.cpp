#include "screen/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/codes.h"
#include "phone/phone.h"

namespace host {
namespace {

struct Glyph {
  int left = 0;     // bitmap offset from the pen
  int top = 0;      // rows above the baseline
  int width = 0;
  int rows = 0;
  int advance = 0;  // 26.6 fixed point
  std::vector<uint8_t> coverage;
};

}  // namespace

std::string font_file(bool bold) {
  return std::string(TS_FONT_DIR) + (bold ? "/DejaVuSans-Bold.ttf" : "/DejaVuSans.ttf");
}

struct Fonts::Impl {
  FT_Library library = nullptr;
  FT_Face faces[2] = {nullptr, nullptr};  // regular, bold
  std::map<std::tuple<bool, int, char32_t>, Glyph> glyphs;
  std::map<std::pair<bool, int>, FontMetrics> metrics;
  // Lines laid out, by their text followed by the font id; forgotten all at once when full.
  static constexpr size_t kMaxLayouts = 512;
  std::unordered_map<std::u16string, TextLayout> layouts;

  Impl() {
    if (FT_Init_FreeType(&library)) throw std::runtime_error("FreeType cannot start");
    for (int i = 0; i < 2; ++i)
      if (FT_New_Face(library, font_file(i == 1).c_str(), 0, &faces[i]))
        throw std::runtime_error("cannot open the font " + font_file(i == 1));
  }
  ~Impl() {
    for (FT_Face f : faces)
      if (f) FT_Done_Face(f);
    FT_Done_FreeType(library);
  }

  FT_Face face(const FontStyle& s) {
    FT_Face f = faces[s.bold ? 1 : 0];
    FT_Set_Pixel_Sizes(f, 0, FT_UInt(s.pixel_size));
    return f;
  }

  const FontMetrics& line_metrics(const FontStyle& s) {
    auto key = std::make_pair(s.bold, s.pixel_size);
    auto it = metrics.find(key);
    if (it != metrics.end()) return it->second;
    FT_Face f = face(s);
    FontMetrics m;
    m.ascent = int((f->size->metrics.ascender + 63) >> 6);
    m.descent = int((-f->size->metrics.descender + 63) >> 6);
    m.line_height = int((f->size->metrics.height + 63) >> 6);
    if (m.line_height < m.ascent + m.descent) m.line_height = m.ascent + m.descent;
    return metrics.emplace(key, m).first->second;
  }

  const Glyph& glyph(const FontStyle& s, char32_t c) {
    auto key = std::make_tuple(s.bold, s.pixel_size, c);
    auto it = glyphs.find(key);
    if (it != glyphs.end()) return it->second;
    FT_Face f = face(s);
    Glyph g;
    if (FT_Load_Char(f, c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
      FT_GlyphSlot slot = f->glyph;
      g.left = slot->bitmap_left;
      g.top = slot->bitmap_top;
      g.width = int(slot->bitmap.width);
      g.rows = int(slot->bitmap.rows);
      g.advance = int(slot->advance.x);
      g.coverage.resize(size_t(g.width) * size_t(g.rows));
      for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x)
          g.coverage[size_t(y) * size_t(g.width) + size_t(x)] =
              slot->bitmap.buffer[y * slot->bitmap.pitch + x];
    }
    return glyphs.emplace(key, std::move(g)).first->second;
  }
};

std::u32string utf16_code_points(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      out += char32_t(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += U'\uFFFD';
    } else {
      out += char32_t(c);
    }
  }
  return out;
}

Fonts::Fonts(Phone& phone)
    : phone_(phone), impl_(std::make_unique<Impl>()), current_(codes::FONT_E_20R) {}

Fonts::~Fonts() = default;

int Fonts::select(int font_id) {
  int old = current_;
  current_ = font_id;
  return old;
}

FontMetrics Fonts::metrics(int font_id) { return impl_->line_metrics(style(font_id)); }

int Fonts::text_width(std::u16string_view text, int font_id) {
  FontStyle s = style(font_id);
  int pen = 0;
  for (char32_t c : utf16_code_points(text)) {
    if (c == U'\n') break;
    pen += impl_->glyph(s, c).advance;
  }
  return (pen + 32) >> 6;
}

const TextLayout& Fonts::layout(std::u16string_view line, int font_id) {
  std::u16string key(line.substr(0, line.find(u'\n')));
  key.push_back(char16_t(uint32_t(font_id) >> 16));
  key.push_back(char16_t(font_id));
  auto it = impl_->layouts.find(key);
  if (it != impl_->layouts.end()) return it->second;
  if (impl_->layouts.size() >= Impl::kMaxLayouts) impl_->layouts.clear();

  FontStyle s = style(font_id);
  const FontMetrics& m = impl_->line_metrics(s);
  TextLayout out;
  int pen = 0;  // 26.6 fixed point; the pen starts on a whole pixel, so rounding does not move
  for (char32_t c : utf16_code_points(std::u16string_view(key).substr(0, key.size() - 2))) {
    const Glyph& g = impl_->glyph(s, c);
    // The width counts every character, as text_width does; a "\r" is not drawn and moves nothing.
    out.advance += g.advance;
    if (c == U'\r') continue;
    if (g.width > 0 && g.rows > 0)
      out.glyphs.push_back({((pen + 32) >> 6) + g.left, m.ascent - g.top, g.width, g.rows,
                            g.coverage.data()});
    pen += g.advance;
  }
  out.advance = (out.advance + 32) >> 6;
  return impl_->layouts.emplace(std::move(key), std::move(out)).first->second;
}

void Fonts::render(std::u16string_view text, int font_id, int x, int top, const Plot& plot) {
  FontStyle s = style(font_id);
  const FontMetrics& m = impl_->line_metrics(s);
  int baseline = top + m.ascent;
  int pen = x * 64;
  for (char32_t c : utf16_code_points(text)) {
    if (c == U'\n') {
      baseline += m.line_height;
      pen = x * 64;
      continue;
    }
    if (c == U'\r') continue;
    const Glyph& g = impl_->glyph(s, c);
    int gx = ((pen + 32) >> 6) + g.left;
    int gy = baseline - g.top;
    for (int row = 0; row < g.rows; ++row)
      for (int col = 0; col < g.width; ++col) {
        uint8_t a = g.coverage[size_t(row) * size_t(g.width) + size_t(col)];
        if (a) plot(gx + col, gy + row, a);
      }
    pen += g.advance;
  }
}

}  // namespace host
