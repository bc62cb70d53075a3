// The interactive window: the phone's screen in an SDL2 window, run in real time, with the
// computer's keyboard as the phone's keypad, and the configuration editor beside it (E, --edit).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "sim/script.h"
#include "sim/session.h"
#include "sim/status.h"

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

#if defined(TS_HAVE_SDL2)

#include <SDL.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

#include "sim/file_watch.h"

namespace sim {

class Display;
class Editor;
struct EditorLayout;

// The window that run_interactive() runs. It presents a frame only when what it shows changed: the
// phone composed a frame, its message box or the status line says something else, an event came
// (and, with the editor, a few frames after it); otherwise it only moves the clock on.
// Its parts, a file each: its life (window.cpp), the virtual clock paced to real time
// (window_clock.cpp), the mouse (window_events.cpp), the keys (window_keys.cpp), the frame and its
// status line (window_frame.cpp), the help overlay (window_help.cpp), the live reload
// (window_reload.cpp) and the editor beside the phone (window_editor.cpp).
class Window {
 public:
  Window(Session& s, std::ostream& log);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Opens the window (with its editor under --edit); false, said on the log, when it cannot.
  bool open();
  void close();

  // What the status line says last: a reload, the skin check, the editor.
  void note(std::string text, bool bad);
  // With --edit the panel is shown at once, to be edited.
  void show_panel_to_edit();

  // Moves the virtual clock to `until` at the pace of real time, presenting a frame on the way
  // whenever what the window shows has changed; false once the user has ended the run.
  bool pace(int64_t until);
  // The frame pacing, on the log.
  void report() const;

  bool quit() const { return quit_; }

 private:
  using Clock = std::chrono::steady_clock;

  struct Held {
    int code;
    Clock::time_point since;
    bool long_sent;
  };

  // Where things go, in window units. While the editor is open the phone sits at the window's
  // top-left corner at a whole scale (2 for screens up to 400×450, else 1), so that the phone's
  // pixel (x, y) covers the window's (x·scale, y·scale) onwards whatever the window's size (the
  // window test clicks there); the editor takes the rest of the width. Without the editor the
  // phone keeps its shape in whatever room the status line leaves. The status line runs along
  // the bottom.
  struct Layout {
    SDL_Rect phone{}, panel{}, status{};
  };

  // The frame (window_frame.cpp).
  Layout layout() const;
  EditorLayout editor_layout(const Layout& l) const;
  void window_size(bool with_editor, int& w, int& h) const;
  int status_height(int rows) const;
  int first_status_height() const;
  void lay_status(int width, int height);
  std::string title() const;
  // Something the window shows may have changed (an event, a note): a frame is wanted, and with
  // the editor open a few more, which Dear ImGui needs to settle after input.
  void input();
  // Takes in what the phone shows and says (its screen, its message box, the status line's
  // text); answers whether a frame is wanted.
  bool changed();
  void present();
  void draw_status(int width);

  // The help overlay (window_help.cpp).
  void draw_help(const Layout& l);

  // The editor (window_editor.cpp).
  bool editing() const { return editor_ && editor_open_; }
  bool make_editor();
  void toggle_editor();
  void request_quit();

  // The live reload (window_reload.cpp).
  static std::vector<std::filesystem::path> watched(const Session& s);
  void watch(Clock::time_point now);
  void reload(bool asked);

  // The events and the mouse (window_events.cpp).
  void poll();
  void mouse(const SDL_Event& e);

  // The keys (window_keys.cpp).
  void key_down(const SDL_Event& e);
  void key_up(const SDL_Event& e);
  void long_presses();
  void post_key(int code, int mode);
  void command(Op op);

  Session& s_;
  std::ostream& log_;
  FileWatch watch_;
  bool sdl_ = false;
  std::unique_ptr<Display> display_;
  std::string no_imgui_;  // why the display has no ImGui
  std::unique_ptr<Editor> editor_;
  std::string editor_error_;
  bool editor_open_ = false;
  bool keys_to_editor_ = false;
  bool phone_held_ = false;  // the mouse was pressed on the phone and not yet released
  int w_ = 0, h_ = 0, scale_ = 1, status_h_ = 0;
  int listener_ = 0;
  bool frame_dirty_ = false;  // the phone composed a frame the window has not uploaded
  bool redraw_ = false;       // a frame is wanted
  int settle_ = 0;            // frames still to present for Dear ImGui after input
  bool frame_before_poll_ = false;  // ImGui must see a frame before the next events
  Clock::time_point wanted_since_;
  bool quit_ = false;
  bool help_ = false;
  std::pair<int, int> help_size_;
  std::string message_;
  std::string note_, title_, backdrop_;
  std::vector<StatusLine> status_;       // the status line's lines, as changed() found them
  std::string status_key_;               // their text and the width they were laid at
  std::vector<StatusLine> status_rows_;  // laid into rows
  bool status_drawn_ = false;            // the rows are the picture drawn
  bool note_bad_ = false;
  std::map<SDL_Keycode, Held> held_;
  int shots_ = 0;
  Clock::time_point base_real_, next_present_, next_watch_;
  int64_t base_virtual_ = 0;
  int64_t worst_lag_ = 0;
  int skips_ = 0;
  size_t presented_ = 0;
  uint64_t composed_ = 0;
  std::vector<double> waits_;  // from a change to its frame, in ms
};

}  // namespace sim

#endif
