// The interactive window's status line, as text: what the phone is doing and what it shows.
#pragma once

#include <string>

namespace sim {

class Session;

// The virtual time, the player's state, the track (its place in the list, title and artist, play
// time of length) and the volume: "t 12.3 s · playing 3/6 Title — Artist · 0:42 / 3:10 · vol 8".
std::string player_status(Session& session);
// The skin and the configuration in use, and the sound:
// "skin /path/skin · config TuneStrip.bcfg (the skin's) · sound on (...)".
std::string skin_status(Session& session);

}  // namespace sim
