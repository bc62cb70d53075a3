// The configuration editor beside the phone (E, --edit): opened once and kept, shown or hidden,
// and asked before the window quits on unsaved edits.
#if defined(TS_HAVE_SDL2)

#include <ostream>

#include "display.h"
#include "editor.h"
#include "window.h"

namespace sim {

bool Window::make_editor() {
  if (editor_) return true;
  if (!display_->has_imgui()) {
    editor_error_ = "cannot open the editor: " + no_imgui_;
    return false;
  }
  // Its saves would go into the run's temporary copy, and go with it.
  if (s_.packed_skin()) {
    editor_error_ = "cannot edit a packed skin: unpack it into a folder and open that";
    return false;
  }
  editor_ = open_editor(s_, log_, [this](const std::string& text, bool bad) { note(text, bad); },
                        editor_error_);
  return editor_ != nullptr;
}

// E: the editor opens beside the phone (the window grows to hold it) or closes. A closed editor
// keeps its edits and its history, and still owns the configuration file.
void Window::toggle_editor() {
  if (!editor_open_ && !make_editor()) {
    log_ << "tunestrip-sim: " << editor_error_ << "\n";
    note(editor_error_, true);
    return;
  }
  editor_open_ = !editor_open_;
  keys_to_editor_ = false;
  if (!editor_open_) editor_->drop_pick();
  int w = 0, h = 0;
  window_size(editor_open_, w, h);
  SDL_SetWindowSize(display_->window(), w, h);
  frame_dirty_ = true;
}

// Q, closing the window: with unsaved edits the editor asks first.
void Window::request_quit() {
  if (editor_ && editor_->dirty()) {
    if (!editor_open_) toggle_editor();
    editor_->ask_quit();
  } else {
    quit_ = true;
  }
}

}  // namespace sim

#endif
