// The configuration editor beside the phone in the preview window: every item of the block as a
// field, and the panel's elements picked, moved and resized on the phone's screen. Each change
// reaches the phone at once (the phone's copy of the configuration is written and the add-on
// gets the reconfigure notice); the user's file changes only on save. It owns the file while it
// is open: a change made to it from outside is taken in when there are no unsaved edits, else
// the user chooses which copy to keep.
//
// The window hands it the mouse on the phone's screen (in the phone's pixels, in the order the
// events came, so a press and release within one frame are not lost), the keys while a question
// is open or the hot key's field waits for a key, and draws it once a frame inside Dear ImGui's
// frame.
#pragma once

#if defined(TS_HAVE_SDL2)

#include <SDL.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace sim {

class Session;

// Where the window puts things, in window units.
struct EditorLayout {
  SDL_Rect phone;   // the phone's screen
  int scale = 1;    // window units per phone pixel
  SDL_Rect panel;   // the editor's side of the window
  bool keys_to_editor = false;  // the editor has the keys (else the phone)
};

class Editor {
 public:
  // What the editor tells the status line: a save, a refusal, a file taken in.
  using Note = std::function<void(const std::string& text, bool bad)>;

  virtual ~Editor() = default;

  // ---- The mouse on the phone's screen, in the phone's pixels.
  virtual void phone_press(int x, int y) = 0;
  virtual void phone_motion(int x, int y) = 0;
  virtual void phone_release() = 0;
  virtual void phone_leave() = 0;

  // ---- Keys.
  // An element of the panel is picked: arrow keys move it (by 1 px, with Shift by 10), Esc
  // drops it.
  virtual bool picked() const = 0;
  virtual void nudge(int dx, int dy) = 0;
  virtual void drop_pick() = 0;
  // The hot key's field waits for a key; `code` is the phone key of the one pressed (0: none).
  virtual bool capturing_key() const = 0;
  virtual void captured_key(int code) = 0;
  // A question is open (quit with unsaved changes, a file changed on disk): ImGui gets every
  // event until it is answered.
  virtual bool asking() const = 0;
  // Esc: the quit question is answered "cancel" (a changed file must be answered).
  virtual void cancel_question() = 0;

  virtual void undo() = 0;
  virtual void redo() = 0;
  virtual void save() = 0;

  // ---- The file.
  virtual bool dirty() const = 0;
  // The file's name for the window's title ("TuneStrip.bcfg", "the built-in block").
  virtual std::string file_name() const = 0;
  // The window's file watch saw the configuration file change.
  virtual void file_changed() = 0;
  // Quitting: asks first when there are unsaved changes; quit_agreed() turns true once the user
  // saved or discarded them (at once without unsaved changes).
  virtual void ask_quit() = 0;
  virtual bool quit_agreed() const = 0;

  // ---- Once a frame, inside ImGui's frame: the marks on the phone (under the help), then the
  // editor's side and its questions. Sends a changed configuration to the phone.
  virtual void draw_on_phone(const EditorLayout& l) = 0;
  virtual void draw_panel(const EditorLayout& l) = 0;
  // Sends a changed configuration to the phone now (after a batch of events).
  virtual void sync() = 0;
};

// The editor on the configuration the run uses (its file, else the built-in block, which saves
// as the skin's TuneStrip.bcfg). Null, with `error` saying why, when this build has no editor or
// the file cannot be read.
// Saves and the like are also written to `log`.
std::unique_ptr<Editor> open_editor(Session& session, std::ostream& log, Editor::Note note,
                                    std::string& error);

}  // namespace sim

#endif
