// The phone's fonts: DejaVu Sans (regular and bold, full Unicode incl. Cyrillic) rasterised with
// FreeType, anti-aliased. A firmware font id stands for one pixel size and weight:
//
//   font id                  weight    pixel size (the em height)
//   1 … 20                   regular   7 + id / 4        (1–3: 7, 4–7: 8, … 16–19: 11, 20: 12)
//   21 … 40                  bold      12 + (id − 21) / 2 (21–22: 12, 23–24: 13, 25–26: 14, … 39–40: 21)
//   0x2000 + n, n = 8 … 72   regular   n × 4 / 5         (FONT_E_20R = 0x2014: 16)
//   0x2100 + n, n = 8 … 72   bold      n × 4 / 5
//   anything else            regular   12
//
// So the panel's label font 18 is 11 px (a line fits a 15-pixel row), its title font 25 is 14 px
// bold, and FONT_E_20R is 16 px. A line of text is laid out from the top-left of its box: the
// first baseline lies the font's ascent below the top; "\n" starts a new line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class Phone;

struct FontStyle {
  int pixel_size = 12;
  bool bold = false;
};

struct FontMetrics {
  int ascent = 0;       // pixels above the baseline
  int descent = 0;      // pixels below it
  int line_height = 0;  // baseline to baseline
};

// One line of text laid out from a pen at x = 0 with the line's top at y = 0: where each glyph's
// coverage bitmap lands (characters the font lacks have its missing-glyph box; "\r" draws
// nothing).
struct TextLayout {
  struct Placed {
    int x = 0, y = 0, width = 0, rows = 0;
    const uint8_t* coverage = nullptr;  // rows × width values, 1..255 where the glyph touches
  };
  std::vector<Placed> glyphs;
  int advance = 0;  // the line's width in pixels, as text_width gives it
};

class Fonts {
 public:
  static constexpr int DEFAULT_PIXEL_SIZE = 12;

  explicit Fonts(Phone& phone);
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // The size and weight of a font id (the table above).
  static FontStyle style(int font_id);
  // Whether the table names the id ("anything else" is not a font of the phone's).
  static bool known(int font_id) { return table_style(font_id).has_value(); }

  // fw_set_font: makes `font_id` current and gives back the one that was (FONT_E_20R at start).
  int select(int font_id);
  int current() const { return current_; }

  FontMetrics metrics(int font_id);
  // Advance width in pixels of one line of text (up to its first "\n").
  int text_width(std::u16string_view text, int font_id);

  // The layout of one line (up to its first "\n") in a font id. Lines are laid out once and kept
  // (the panel draws each label five times a frame, for its outline); the reference is valid
  // until the next call.
  const TextLayout& layout(std::u16string_view line, int font_id);

  // Rasterises `text` with the top of its first line at y = `top` and its pen starting at `x`
  // (each further line starts at `x` again); calls plot(x, y, coverage 1..255) for every pixel
  // the glyphs touch. Characters the font lacks draw its missing-glyph box.
  using Plot = std::function<void(int x, int y, uint8_t coverage)>;
  void render(std::u16string_view text, int font_id, int x, int top, const Plot& plot);

 private:
  static std::optional<FontStyle> table_style(int font_id);

  struct Impl;
  [[maybe_unused]] Phone& phone_;
  std::unique_ptr<Impl> impl_;
  int current_;
};

// The phone's font file: DejaVu Sans, regular or bold (the system's fonts).
std::string font_file(bool bold);

// Code points of a UTF-16 string (unpaired surrogates become U+FFFD).
std::u32string utf16_code_points(std::u16string_view text);

}  // namespace host
