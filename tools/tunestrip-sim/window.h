// The interactive window: the phone's screen in an SDL2 window, run in real time, with the
// computer's keyboard as the phone's keypad, and the configuration editor beside it (E, --edit).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "sim/script.h"
#include "sim/session.h"

namespace sim {

// Whether this build has the window (SDL2 was found).
bool window_available();
// Whether this build has the window's configuration editor (Dear ImGui and OpenGL were found);
// `why` says why not.
bool editor_available(std::string& why);

// Opens the window, runs `commands` paced to real time, then lets the user drive the phone until
// the window is closed (or a `quit` command). Returns the exit status (1 when the window cannot
// be opened); throws RunError as Session::run does. Prints its frame pacing to `log` at the end.
int run_interactive(Session& session, const std::vector<Command>& commands, std::ostream& log);

}  // namespace sim
