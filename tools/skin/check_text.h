// How far a label's text reaches: the pixels a text covers in one of the phone's fonts, laid out
// as the phone's screen lays it out (screen/fonts.h: DejaVu Sans through FreeType, the pen
// rounded to whole pixels, the line's top at the font's ascent above the baseline).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace skin::detail {

// A box of pixels, right and bottom exclusive; empty when right <= left or bottom <= top.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

class TextMeasure {
 public:
  TextMeasure();  // throws std::runtime_error when the phone's fonts cannot be opened
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // The pixels `text` (UTF-8, one line) covers in `font_id`, drawn with its pen at x = 0 and its
  // line's top at y = 0; empty for a text that draws nothing.
  Box ink(std::string_view text, int font_id);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace skin::detail
