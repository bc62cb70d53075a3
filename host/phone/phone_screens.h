// The phone's own screens, painted beneath the GUI objects: the media player's screen (its track,
// progress, state and volume) while it runs, else the idle screen with the time of day (the
// virtual clock starts at 12:00). Each paints the whole screen.
#pragma once

#include <cstdint>

namespace host {

class Screen;
struct NowPlaying;

void paint_player_screen(Screen& s, const NowPlaying& np, int64_t now);
void paint_idle_screen(Screen& s, int64_t now);

}  // namespace host
