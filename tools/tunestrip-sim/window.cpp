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

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "canvas.h"
#include "cli/interrupt.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/wstr.h"
#include "display.h"
#include "editor.h"
#include "keypad.h"
#include "player/media_player.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "screen/messages.h"
#include "screen/screen.h"
#include "sim/file_watch.h"
#include "sim/status.h"
#include "window_pictures.h"

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

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr microseconds kFrame{16667};        // 60 frames a second
constexpr milliseconds kLongPress{600};      // a key held this long is a long press
constexpr milliseconds kWatchEvery{100};     // how often the skin's files are looked at
constexpr int64_t kMaxLagMs = 250;           // further behind real time, the clock skips ahead
constexpr int kMessageFont = 18;             // 11 px
constexpr int kStatusFont = 0x2011;          // 13 px
constexpr int kHelpFont = 0x2012;            // 14 px
constexpr int kStatusLines = 3;
constexpr uint32_t kStatusText = 0xE8E8E8, kStatusDim = 0xA0A8B0, kNoteOk = 0x9FE09F,
                   kNoteBad = 0xFF8A80;

constexpr int kEditorWidth = 540;       // the editor's side of the window, in window units
constexpr int kEditorMinHeight = 480;

class Window {
 public:
  Window(Session& s, std::ostream& log) : s_(s), log_(log), watch_(watched(s)) {}
  ~Window() { close(); }

  bool open() {
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
    status_h_ = kStatusLines * s_.phone().fonts().metrics(kStatusFont).line_height + 8;
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

  void close() {
    if (listener_) s_.phone().gui().remove_frame_listener(listener_);
    listener_ = 0;
    editor_.reset();
    display_.reset();
    // The phone's sound keeps the audio part of SDL going until the phone ends.
    if (sdl_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    sdl_ = false;
  }

  // What the status line says last: a reload, the skin check, the editor.
  void note(std::string text, bool bad) {
    note_ = std::move(text);
    note_bad_ = bad;
  }

  // With --edit the panel is shown at once, to be edited.
  void show_panel_to_edit() {
    if (editor_open_) s_.show_panel();
  }

  // Moves the virtual clock to `until` at the pace of real time, presenting frames on the way.
  bool pace(int64_t until) {
    host::EventQueue& q = s_.phone().queue();
    while (!quit_) {
      poll();
      // Ctrl+C or kill ends the run as closing the window does, unsaved edits or not.
      if (tools::interrupted()) quit_ = true;
      if (quit_) break;
      long_presses();
      const auto now = Clock::now();
      if (now >= next_watch_) {
        next_watch_ = now + kWatchEvery;
        if (watch_.poll(now)) reload(false);
      }
      int64_t target = base_virtual_ + std::chrono::duration_cast<milliseconds>(now - base_real_).count();
      if (target - q.now() > kMaxLagMs) {
        // The run stalled (a slow command, the window dragged): carry on from here rather than
        // racing through the missed time.
        worst_lag_ = std::max(worst_lag_, target - q.now());
        ++skips_;
        base_virtual_ = q.now() - std::chrono::duration_cast<milliseconds>(now - base_real_).count();
        target = q.now();
      } else {
        worst_lag_ = std::max(worst_lag_, std::max<int64_t>(0, target - q.now()));
      }
      q.run_until(std::min(std::max(target, q.now()), until));
      if (Clock::now() >= next_present_) present();
      if (quit_) break;
      if (q.now() >= until) return true;
      // Sleep until the next frame is due or the virtual clock reaches `until`.
      auto wake = std::min(next_present_,
                           base_real_ + milliseconds(until - base_virtual_));
      std::this_thread::sleep_until(wake);
    }
    return false;
  }

  void report() const {
    if (intervals_.empty()) return;
    std::vector<double> sorted = intervals_;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : sorted) sum += v;
    const double p99 = sorted[std::min(sorted.size() - 1, size_t(sorted.size() * 0.99))];
    char line[300];
    std::snprintf(line, sizeof line,
                  "Window: %zu frames presented (%llu composed by the phone), every %.1f ms on "
                  "average, 99%% within %.1f ms, longest %.1f ms; the clock lagged real time by at "
                  "most %lld ms%s.\n",
                  presented_, static_cast<unsigned long long>(composed_), sum / double(sorted.size()),
                  p99, sorted.back(), static_cast<long long>(worst_lag_),
                  skips_ ? (", skipping ahead " + std::to_string(skips_) + " time(s)").c_str() : "");
    log_ << line;
  }

  bool quit() const { return quit_; }

 private:
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
  Layout layout() const {
    int out_w = 0, out_h = 0;
    display_->size(out_w, out_h);
    out_w = std::max(1, out_w);
    Layout l;
    l.status = {0, out_h - status_h_, out_w, status_h_};
    const int room_h = std::max(1, out_h - status_h_);
    if (editing()) {
      l.phone = {0, 0, w_ * scale_, h_ * scale_};
      l.panel = {l.phone.w, 0, std::max(1, out_w - l.phone.w), room_h};
      return l;
    }
    const double scale = std::min(double(out_w) / w_, double(room_h) / h_);
    l.phone = {0, 0, std::max(1, int(w_ * scale)), std::max(1, int(h_ * scale))};
    l.phone.x = (out_w - l.phone.w) / 2;
    l.phone.y = (room_h - l.phone.h) / 2;
    return l;
  }
  EditorLayout editor_layout(const Layout& l) const {
    return {l.phone, scale_, l.panel, keys_to_editor_};
  }
  void window_size(bool with_editor, int& w, int& h) const {
    w = w_ * scale_ + (with_editor ? kEditorWidth : 0);
    h = (with_editor ? std::max(h_ * scale_, kEditorMinHeight) : h_ * scale_) + status_h_;
  }

  bool editing() const { return editor_ && editor_open_; }

  std::string title() const {
    std::string t = "TuneStrip — " + s_.options().skin.filename().string();
    if (editor_) {
      t += " — " + editor_->file_name() + (editor_->dirty() ? ", unsaved changes" : "");
    } else if (editor_open_) {  // the window about to open with its editor
      const std::filesystem::path& file = s_.config_choice().file;
      t += " — " + (file.empty() ? std::string("the built-in block") : file.filename().string());
    }
    return t + " (H: help)";
  }

  bool make_editor() {
    if (editor_) return true;
    if (!display_->has_imgui()) {
      editor_error_ = "cannot open the editor: " + no_imgui_;
      return false;
    }
    editor_ = open_editor(s_, log_, [this](const std::string& text, bool bad) { note(text, bad); },
                          editor_error_);
    return editor_ != nullptr;
  }

  // E: the editor opens beside the phone (the window grows to hold it) or closes. A closed
  // editor keeps its edits and its history, and still owns the configuration file.
  void toggle_editor() {
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
  void request_quit() {
    if (editor_ && editor_->dirty()) {
      if (!editor_open_) toggle_editor();
      editor_->ask_quit();
    } else {
      quit_ = true;
    }
  }

  // The configuration file in use (or the one the skin may gain) and the skin's folder.
  static std::vector<std::filesystem::path> watched(const Session& s) {
    std::vector<std::filesystem::path> paths{s.options().skin};
    if (s.config_choice().from_option) paths.push_back(s.config_choice().file);
    return paths;
  }

  // A change seen by the watch, or R (`asked`). Once the editor has opened it owns the
  // configuration file: the images reload as before, the file goes to the editor.
  void reload(bool asked) {
    try {
      const std::string said = s_.reload(editor_ ? Session::Reload::ImagesOnly : Session::Reload::All);
      if (!editor_ || asked || said != "nothing changed")
        note("reload: " + said, said.find("stays in use") != std::string::npos ||
                                    said.find("keeps its copy") != std::string::npos ||
                                    skin::has_errors(s_.findings()));
    } catch (const std::exception& e) {
      note(std::string("reload failed: ") + e.what(), true);
      log_ << "tunestrip-sim: reload failed: " << e.what() << "\n";
    }
    if (editor_) editor_->file_changed();
    watch_.mark_seen();
  }

  void post_key(int code, int mode) {
    host::Keys& keys = s_.phone().keys();
    s_.phone().queue().post([&keys, code, mode] { keys.deliver(code, mode); });
  }

  void command(Op op) {
    Command c;
    c.op = op;
    try {
      s_.execute(c);
    } catch (const std::exception& e) {
      log_ << "tunestrip-sim: " << describe(c) << ": " << e.what() << "\n";
      note(describe(c) + ": " + e.what(), true);
    }
  }

  // Every event in the order it came (a press and a release within one frame both count).
  void poll() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_QUIT: request_quit(); break;
        case SDL_WINDOWEVENT:
          frame_dirty_ = true;
          display_->imgui_event(e);
          break;
        case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: case SDL_MOUSEMOTION: case SDL_MOUSEWHEEL:
          mouse(e);
          break;
        case SDL_KEYDOWN: key_down(e); break;
        case SDL_KEYUP: key_up(e); break;
        case SDL_TEXTINPUT:
          if (editing() && (keys_to_editor_ || editor_->asking())) display_->imgui_event(e);
          break;
        default: break;
      }
    }
    if (editor_) editor_->sync();
  }

  // The mouse: on the phone's screen the editor's own (to pick, drag and resize the panel's
  // elements, in the phone's pixels), elsewhere ImGui's. A press says who gets the keys.
  void mouse(const SDL_Event& e) {
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
          // ImGui sees the button too (it reads the mouse's state) and takes it as a click
          // outside its windows, which only drops its focus.
          keys_to_editor_ = false;
          phone_held_ = true;
          editor_->phone_press(px, py);
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
        return;
      default:
        display_->imgui_event(e);
        return;
    }
  }

  void key_down(const SDL_Event& e) {
    const SDL_Keysym& k = e.key.keysym;
    const bool ctrl = (k.mod & KMOD_CTRL) != 0, shift = (k.mod & KMOD_SHIFT) != 0;
    if (editing()) {
      if (editor_->asking()) {
        // Esc answers "cancel" here: ImGui would miss a press and release within one frame.
        if (k.sym == SDLK_ESCAPE)
          editor_->cancel_question();
        else
          display_->imgui_event(e);
        return;
      }
      if (editor_->capturing_key()) {
        if (!e.key.repeat) editor_->captured_key(phone_key(k.sym));
        return;
      }
    }
    const bool typing = editing() && keys_to_editor_ && display_->imgui_typing();
    if (editor_ && ctrl && !typing) {
      switch (k.sym) {
        case SDLK_z: shift ? editor_->redo() : editor_->undo(); return;
        case SDLK_y: editor_->redo(); return;
        case SDLK_s: editor_->save(); return;
        default: break;
      }
    }
    if (editing() && keys_to_editor_) {
      if (k.sym == SDLK_ESCAPE && !typing)
        keys_to_editor_ = false;
      else
        display_->imgui_event(e);
      return;
    }
    if (editing() && editor_->picked()) {
      const int step = shift ? 10 : 1;
      switch (k.sym) {
        case SDLK_LEFT: editor_->nudge(-step, 0); return;
        case SDLK_RIGHT: editor_->nudge(step, 0); return;
        case SDLK_UP: editor_->nudge(0, -step); return;
        case SDLK_DOWN: editor_->nudge(0, step); return;
        case SDLK_ESCAPE: editor_->drop_pick(); return;
        default: break;
      }
    }
    if (e.key.repeat) return;
    if (int code = phone_key(k.sym)) {
      if (!held_.count(k.sym)) {
        held_[k.sym] = {code, Clock::now(), false};
        post_key(code, host::codes::KBD_DOWN);
      }
      return;
    }
    host::Phone& ph = s_.phone();
    switch (k.sym) {
      case SDLK_q: request_quit(); break;
      case SDLK_h: case SDLK_F1: help_ = !help_; break;
      case SDLK_e: toggle_editor(); break;
      case SDLK_r: reload(true); break;
      case SDLK_SPACE: ph.queue().post([&ph] { ph.player().play_pause(); }); break;
      case SDLK_n: command(Op::PlayerNext); break;
      case SDLK_p: command(Op::PlayerPrev); break;
      case SDLK_c: command(Op::PlayerClose); break;
      case SDLK_o: command(Op::PlayerStart); break;
      case SDLK_a: command(Op::AddonStart); break;
      case SDLK_t: command(Op::AddonTerminate); break;
      case SDLK_i: command(Op::AddonAbout); break;
      case SDLK_s: {
        try {
          const std::string path = s_.shot("shot-" + std::to_string(++shots_) + ".png").string();
          log_ << "tunestrip-sim: wrote " << path << "\n";
          note("wrote " + path, false);
        } catch (const std::exception& ex) {
          log_ << "tunestrip-sim: " << ex.what() << "\n";
          note(ex.what(), true);
        }
        break;
      }
      default: break;
    }
  }

  void key_up(const SDL_Event& e) {
    // ImGui hears every release, so that no key stays down for it.
    display_->imgui_event(e);
    auto it = held_.find(e.key.keysym.sym);
    if (it == held_.end()) return;
    if (!it->second.long_sent) post_key(it->second.code, host::codes::KBD_SHORT_PRESS);
    post_key(it->second.code, host::codes::KBD_UP);
    held_.erase(it);
  }

  void long_presses() {
    const auto now = Clock::now();
    for (auto& [k, h] : held_) {
      if (!h.long_sent && now - h.since >= kLongPress) {
        h.long_sent = true;
        post_key(h.code, host::codes::KBD_LONG_PRESS);
      }
    }
  }

  // The status line: the clock and the player, the skin and configuration, and the last reload,
  // skin check or editor's word.
  void draw_status(int width) {
    const std::vector<StatusLine> lines = {{player_status(s_), kStatusText},
                                           {skin_status(s_), kStatusDim},
                                           {note_, note_bad_ ? kNoteBad : kNoteOk}};
    std::string key = std::to_string(width);
    for (const StatusLine& l : lines) key += '\n' + l.text + (note_bad_ ? "!" : "");
    if (key == status_key_) return;
    status_key_ = key;
    const Canvas c = status_picture(s_.phone().fonts(), lines, kStatusFont, width, status_h_);
    display_->upload(Picture::Status, width, status_h_, c.rgba().data());
  }

  void present() {
    const auto now = Clock::now();
    const host::MessageBox* m = s_.phone().messages().visible();
    const std::string message = m ? m->text : std::string();
    if (message != message_) frame_dirty_ = true;
    if (frame_dirty_) {
      Canvas c(w_, h_, s_.phone().screen().rgba());
      message_ = message;
      if (m) draw_message(c, s_.phone().fonts(), message, kMessageFont);
      display_->upload(Picture::Phone, w_, h_, c.rgba().data());
      frame_dirty_ = false;
    }
    const Layout l = layout();
    display_->begin_frame();
    display_->draw(Picture::Phone, l.phone);
    if (editing()) editor_->draw_on_phone(editor_layout(l));
    if (help_) {
      if (help_size_ != std::pair{l.phone.w, l.phone.h}) {
        help_size_ = {l.phone.w, l.phone.h};
        const Canvas c = help_picture(s_.phone().fonts(), kHelpFont, l.phone.w, l.phone.h);
        display_->upload(Picture::Help, l.phone.w, l.phone.h, c.rgba().data());
      }
      display_->draw(Picture::Help, l.phone);
    }
    draw_status(l.status.w);
    display_->draw(Picture::Status, l.status);
    if (editing()) editor_->draw_panel(editor_layout(l));
    display_->end_frame();
    if (editor_ && editor_->quit_agreed()) quit_ = true;
    if (std::string t = title(); t != title_) {
      title_ = t;
      SDL_SetWindowTitle(display_->window(), title_.c_str());
    }
    if (presented_ > 0)
      intervals_.push_back(std::chrono::duration<double, std::milli>(now - last_present_).count());
    last_present_ = now;
    ++presented_;
    // The next frame is due a frame's time after this one was; a frame missed is not made up.
    next_present_ += kFrame;
    if (next_present_ < now) next_present_ = now + kFrame;
  }

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
  bool frame_dirty_ = false;
  bool quit_ = false;
  bool help_ = false;
  std::pair<int, int> help_size_;
  std::string message_;
  std::string note_, status_key_, title_;
  bool note_bad_ = false;
  std::map<SDL_Keycode, Held> held_;
  int shots_ = 0;
  Clock::time_point base_real_, next_present_, last_present_, next_watch_;
  int64_t base_virtual_ = 0;
  int64_t worst_lag_ = 0;
  int skips_ = 0;
  size_t presented_ = 0;
  uint64_t composed_ = 0;
  std::vector<double> intervals_;
};

}  // namespace

int run_interactive(Session& session, const std::vector<Command>& commands, std::ostream& log) {
  Window window(session, log);
  if (!window.open()) return 1;
  window.note(session.findings_summary(), skin::has_errors(session.findings()));
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
