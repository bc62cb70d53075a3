// The interactive window's status line, as text: what the phone is doing and what it shows, and
// how its lines are laid into the rows the window gives them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {
class Fonts;
}

namespace sim {

class Session;

// The virtual time, the player's state, the track (its place in the list, title and artist, play
// time of length) and the volume: "t 12 s · playing 3/6 Title — Artist · 0:42 / 3:10 · vol 8".
// The time is in whole seconds, so that the line changes no more often than the play time does.
std::string player_status(Session& session);
// The skin and the configuration in use, and the sound:
// "skin /path/skin · config TuneStrip.bcfg (the skin's) · sound on (...)".
std::string skin_status(Session& session);
// While the panel is shown with FON_FROM_BUFFER_ENABLED on in the configuration the phone reads
// (the built-in block's, on, when it has none it can read), the screen above the panel is a
// picture taken as the panel slid in: says so; empty otherwise.
std::string backdrop_status(Session& session);

// A line of the status line with its colour (0xRRGGBB).
struct StatusLine {
  std::string text;
  uint32_t colour;
};
// `lines` laid into at most `rows` rows `width` pixels wide in `font`: each line wrapped (at
// spaces, a word wider than a row at a character), every line given one row and the rows left
// given to the lines from the last up (the last line is the message the user must read whole).
// A line that still does not fit ends its last row with an ellipsis. Empty lines take no row.
std::vector<StatusLine> status_rows(host::Fonts& fonts, const std::vector<StatusLine>& lines,
                                    int font, int width, int rows);

// `utf8` broken into lines no wider than `width` pixels in `font`: at spaces, a word wider than
// that at a character; "\n" breaks too.
std::vector<std::string> wrap_text(host::Fonts& fonts, std::string_view utf8, int font, int width);
// `text` cut to `width` pixels, with an ellipsis where it was cut.
std::string fit_text(host::Fonts& fonts, std::string text, int font, int width);

}  // namespace sim
