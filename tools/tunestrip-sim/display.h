// What the preview window draws on: an SDL window with its pictures (the phone's screen, the
// status line, the help), each uploaded as RGBA pixels and drawn scaled into a box. Two kinds:
// OpenGL with Dear ImGui, which the configuration editor draws with, and SDL's own renderer for a
// build without ImGui or a display without OpenGL.
#pragma once

#if defined(TS_HAVE_SDL2)

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

namespace sim {

// The window's pictures.
enum class Picture { Phone, Status, Help, Count };

class Display {
 public:
  virtual ~Display() = default;

  SDL_Window* window() const { return window_; }
  // The window's size in the units of its mouse events.
  void size(int& w, int& h) const { SDL_GetWindowSize(window_, &w, &h); }

  // Replaces a picture by `w`×`h` RGBA pixels, rows top first.
  virtual void upload(Picture p, int w, int h, const uint8_t* rgba) = 0;
  // A frame: begin, draw pictures (later ones on top) and, with ImGui, build its windows; end
  // shows it.
  virtual void begin_frame() = 0;
  virtual void draw(Picture p, const SDL_Rect& to) = 0;
  virtual void end_frame() = 0;

  // Whether Dear ImGui runs in this window (the editor needs it).
  virtual bool has_imgui() const { return false; }
  // Hands an event to ImGui; false without ImGui.
  virtual bool imgui_event(const SDL_Event&) { return false; }
  // A text field of ImGui has the keys (so Ctrl+Z and Esc are its own).
  virtual bool imgui_typing() const { return false; }

 protected:
  SDL_Window* window_ = nullptr;
};

// Opens the window at `w`×`h` with OpenGL and ImGui when this build and the display allow it,
// else with SDL's renderer; `no_imgui` then says why there is no ImGui. Null when no window can
// be opened (SDL_GetError says why). SDL's video must be initialised.
std::unique_ptr<Display> open_display(const std::string& title, int w, int h, std::string& no_imgui);

// The two kinds (open_display picks one).
std::unique_ptr<Display> open_gl_display(const std::string& title, int w, int h, std::string& error);
std::unique_ptr<Display> open_sdl_display(const std::string& title, int w, int h);

}  // namespace sim

#endif
