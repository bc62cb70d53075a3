#include "keypad.h"

#if defined(TS_HAVE_SDL2)

#include "core/codes.h"

namespace sim {

int phone_key(SDL_Keycode k) {
  namespace c = host::codes;
  switch (k) {
    case SDLK_UP: return c::KEY_UP;
    case SDLK_DOWN: return c::KEY_DOWN;
    case SDLK_LEFT: return c::KEY_LEFT;
    case SDLK_RIGHT: return c::KEY_RIGHT;
    case SDLK_RETURN: case SDLK_KP_ENTER: return c::KEY_ENTER;
    case SDLK_ESCAPE: case SDLK_BACKSPACE: return c::KEY_ESC;
    case SDLK_m: return c::KEY_MUSIC;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: case SDLK_PAGEUP: return c::KEY_VOL_UP;
    case SDLK_MINUS: case SDLK_KP_MINUS: case SDLK_PAGEDOWN: return c::KEY_VOL_DOWN;
  }
  if (k >= SDLK_0 && k <= SDLK_9) return c::KEY_DIGIT_0 + int(k - SDLK_0);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return c::KEY_DIGIT_0 + 1 + int(k - SDLK_KP_1);
  if (k == SDLK_KP_0) return c::KEY_DIGIT_0;
  return 0;
}

}  // namespace sim

#endif
