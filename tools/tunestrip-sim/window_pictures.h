// The preview window's own pictures, drawn with the phone's fonts: the status line, the key map
// over the phone and a message box over the phone's screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"
#include "sim/status.h"

namespace host {
class Fonts;
}

namespace sim {

// The status line's rows (status_rows() lays them), one under the other.
Canvas status_picture(host::Fonts& fonts, const std::vector<StatusLine>& rows, int font, int width,
                      int height);

// The key map (sim_options' key_map()) in two columns over a dark veil, and under it what keeps
// the screen above the panel still and how to turn that off.
Canvas help_picture(host::Fonts& fonts, int font, int width, int height);

// A message box drawn over the phone's screen: a dark box with a light frame, the text wrapped
// to its width and centred.
void draw_message(Canvas& c, host::Fonts& fonts, const std::string& text, int font);

}  // namespace sim
