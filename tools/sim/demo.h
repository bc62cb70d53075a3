// The demo the simulator runs without a script.
#pragma once

namespace sim {

// The demo as a script: the player starts on the playlist, the add-on starts, the hot key shows
// the panel, the first button changes the track, the right key selects the play/pause button,
// which pauses and plays again, then the hot key hides the panel and the add-on ends. Each step
// is announced by an echo and checked by an expect. Its shot is kDemoShot; the run is recorded
// as kDemoGif in the picture folder.
const char* demo_script();

inline constexpr const char* kDemoShot = "panel.png";
inline constexpr const char* kDemoGif = "demo.gif";

}  // namespace sim
