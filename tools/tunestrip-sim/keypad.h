// The computer's keys that stand for the phone's keypad in the preview window.
#pragma once

#if defined(TS_HAVE_SDL2)

#include <SDL.h>

namespace sim {

// The phone's key code of a computer key, or 0 when it stands for none.
int phone_key(SDL_Keycode k);

}  // namespace sim

#endif
