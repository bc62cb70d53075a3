// The window's life: opened, closed, and run by run_interactive() (see window.h for its other
// parts).
#include "window.h"

#include <ostream>

#ifndef TS_HAVE_SDL2

namespace sim {
bool window_available() { return false; }
bool editor_available(std::string& why) {
  why = "this build has no window (SDL2 was not found when it was built)";
  return false;
}
int run_interactive(Session&, const std::vector<Command>&, std::ostream& log) {
  log << "tunestrip-sim: this build has no window (SDL2 was not found when it was built)\n";
  return 1;
}
}  // namespace sim

#else

#include <cstring>

#include "core/event_queue.h"
#include "display.h"
#include "editor.h"
#include "screen/gui_manager.h"
#include "screen/screen.h"
#include "sim/hot_key.h"

namespace sim {

bool window_available() { return true; }

bool editor_available([[maybe_unused]] std::string& why) {
#if defined(TS_HAVE_IMGUI)
  return true;
#else
  why = "this build has no editor (" TS_NO_EDITOR_WHY " when it was built)";
  return false;
#endif
}

Window::Window(Session& s, std::ostream& log) : s_(s), log_(log), watch_(watched(s)) {}

Window::~Window() { close(); }

bool Window::open() {
  // Without a display SDL would quietly pick a driver that shows nothing; only a user who asks
  // for such a driver gets it.
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    log_ << "tunestrip-sim: --interactive: cannot open a window: " << SDL_GetError() << "\n";
    return false;
  }
  sdl_ = true;
  const char* driver = SDL_GetCurrentVideoDriver();
  if ((!asked || !*asked) && driver &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    log_ << "tunestrip-sim: --interactive: no display to open a window on (is DISPLAY or "
            "WAYLAND_DISPLAY set?); SDL_VIDEODRIVER=offscreen runs without one\n";
    return false;
  }
  host::Screen& screen = s_.phone().screen();
  w_ = screen.width();
  h_ = screen.height();
  scale_ = (w_ <= 400 && h_ <= 450) ? 2 : 1;
  status_h_ = first_status_height();
  editor_open_ = s_.options().edit;
  int ww = 0, wh = 0;
  window_size(editor_open_, ww, wh);
  title_ = title();
  display_ = open_display(title_, ww, wh, no_imgui_);
  if (!display_) {
    log_ << "tunestrip-sim: --interactive: cannot open a window: " << SDL_GetError() << "\n";
    return false;
  }
  if (editor_open_ && !make_editor()) {
    log_ << "tunestrip-sim: --edit: " << editor_error_ << "\n";
    return false;
  }
  listener_ = s_.phone().gui().add_frame_listener([this](int64_t) {
    frame_dirty_ = true;
    ++composed_;
  });
  frame_dirty_ = true;
  base_real_ = Clock::now();
  base_virtual_ = s_.phone().queue().now();
  next_present_ = next_watch_ = base_real_;
  return true;
}

void Window::close() {
  if (listener_) s_.phone().gui().remove_frame_listener(listener_);
  listener_ = 0;
  editor_.reset();
  display_.reset();
  // The phone's sound keeps the audio part of SDL going until the phone ends.
  if (sdl_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  sdl_ = false;
}

void Window::show_panel_to_edit() {
  if (editor_open_) show_panel(s_.phone(), s_.config());
}

int run_interactive(Session& session, const std::vector<Command>& commands, std::ostream& log) {
  Window window(session, log);
  if (!window.open()) return 1;
  const SkinFindings& findings = session.skin().findings();
  window.note(findings.summary(), skin::has_errors(findings.all()));
  log << "tunestrip-sim: the phone runs in the window (H shows the keys)\n";
  session.set_pacer([&window](int64_t until) { return window.pace(until); });
  bool go_on = session.run(commands);
  if (go_on) window.show_panel_to_edit();
  // Then the user drives the phone until the window closes.
  while (go_on && !window.quit()) go_on = session.advance(60 * 60 * 1000);
  session.set_pacer({});
  window.report();
  return 0;
}

}  // namespace sim

#endif
