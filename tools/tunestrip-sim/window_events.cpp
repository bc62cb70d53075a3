// The window's events, each in the order it came (a press and a release within one frame both
// count), and the mouse: on the phone's screen the editor's, elsewhere Dear ImGui's. Each event
// asks for a frame (the window draws nothing between changes).
#if defined(TS_HAVE_SDL2)

#include <cmath>

#include "display.h"
#include "editor.h"
#include "window.h"

namespace sim {

void Window::poll() {
  // Dear ImGui reads the keys and the mouse's buttons once a frame: an event it was given that
  // changes them waits for a frame before the next events are handled, so that a press and its
  // release, or two clicks, never fall into one frame.
  if (frame_before_poll_) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT: request_quit(); break;
      case SDL_WINDOWEVENT: display_->imgui_event(e); break;
      case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: case SDL_MOUSEMOTION: case SDL_MOUSEWHEEL:
        // Without the editor the mouse does nothing.
        if (!editing()) continue;
        mouse(e);
        break;
      case SDL_KEYDOWN: key_down(e); break;
      case SDL_KEYUP: key_up(e); break;
      case SDL_TEXTINPUT:
        if (editing() && (keys_to_editor_ || editor_->asking())) display_->imgui_event(e);
        break;
      default: continue;
    }
    input();
    if (editing() && (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
                      e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)) {
      frame_before_poll_ = true;
      break;
    }
  }
  if (editor_) editor_->sync();
}

// On the phone's screen the mouse picks, drags and resizes the panel's elements, in the phone's
// pixels. A press says who gets the keys.
void Window::mouse(const SDL_Event& e) {
  if (!editing()) return;
  if (editor_->asking()) {
    display_->imgui_event(e);
    return;
  }
  const Layout l = layout();
  const int x = e.type == SDL_MOUSEMOTION ? e.motion.x : e.button.x;
  const int y = e.type == SDL_MOUSEMOTION ? e.motion.y : e.button.y;
  const SDL_Point at{x, y};
  const bool on_phone = SDL_PointInRect(&at, &l.phone);
  const int px = int(std::floor(double(x - l.phone.x) / scale_));
  const int py = int(std::floor(double(y - l.phone.y) / scale_));
  switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
      if (on_phone && e.button.button == SDL_BUTTON_LEFT) {
        // ImGui sees the button too and takes it as a click outside its windows, which only
        // drops its focus (a field being typed in is let go).
        keys_to_editor_ = false;
        phone_held_ = true;
        editor_->phone_press(px, py);
        display_->imgui_event(e);
        return;
      }
      if (SDL_PointInRect(&at, &l.panel)) keys_to_editor_ = true;
      display_->imgui_event(e);
      return;
    case SDL_MOUSEBUTTONUP:
      if (phone_held_ && e.button.button == SDL_BUTTON_LEFT) {
        phone_held_ = false;
        editor_->phone_motion(px, py);
        editor_->phone_release();
      }
      display_->imgui_event(e);
      return;
    case SDL_MOUSEMOTION:
      if (on_phone || phone_held_)
        editor_->phone_motion(px, py);
      else
        editor_->phone_leave();
      display_->imgui_event(e);
      return;
    default:
      display_->imgui_event(e);
      return;
  }
}

}  // namespace sim

#endif
