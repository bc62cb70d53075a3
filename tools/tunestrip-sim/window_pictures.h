// The preview window's own pictures, drawn with the phone's fonts: the status line, the key map
// over the phone and a message box over the phone's screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace host {
class Fonts;
}

namespace sim {

// Lines of the status line with their colours (0xRRGGBB), each cut to the width.
struct StatusLine {
  std::string text;
  uint32_t colour;
};
Canvas status_picture(host::Fonts& fonts, const std::vector<StatusLine>& lines, int font, int width,
                      int height);

// The key map (sim_options' key_map()) in two columns, over a dark veil.
Canvas help_picture(host::Fonts& fonts, int font, int width, int height);

// A message box drawn over the phone's screen: a dark box with a light frame, the text wrapped
// to its width and centred.
void draw_message(Canvas& c, host::Fonts& fonts, const std::string& text, int font);

// `text` cut to `width` pixels, with an ellipsis where it was cut.
std::string fit(host::Fonts& fonts, std::string text, int font, int width);

}  // namespace sim
