// The window's keys: the editor's while it has them (or asks a question), else the phone's keypad
// (keypad.h, a long press after 600 ms held) and the window's own commands (the key map, H).
#if defined(TS_HAVE_SDL2)

#include <exception>
#include <ostream>
#include <string>

#include "core/codes.h"
#include "core/event_queue.h"
#include "display.h"
#include "editor.h"
#include "keypad.h"
#include "player/media_player.h"
#include "screen/keys.h"
#include "window.h"

namespace sim {
namespace {

constexpr std::chrono::milliseconds kLongPress{600};  // a key held this long is a long press

}  // namespace

// ---- Keys pressed and released ----

void Window::key_down(const SDL_Event& e) {
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
        const std::string path =
            s_.pictures().shot("shot-" + std::to_string(++shots_) + ".png").string();
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

void Window::key_up(const SDL_Event& e) {
  // ImGui hears every release, so that no key stays down for it.
  display_->imgui_event(e);
  auto it = held_.find(e.key.keysym.sym);
  if (it == held_.end()) return;
  if (!it->second.long_sent) post_key(it->second.code, host::codes::KBD_SHORT_PRESS);
  post_key(it->second.code, host::codes::KBD_UP);
  held_.erase(it);
}

void Window::long_presses() {
  const auto now = Clock::now();
  for (auto& [k, h] : held_) {
    if (!h.long_sent && now - h.since >= kLongPress) {
      h.long_sent = true;
      post_key(h.code, host::codes::KBD_LONG_PRESS);
    }
  }
}

// ---- To the phone ----

void Window::post_key(int code, int mode) {
  host::Keys& keys = s_.phone().keys();
  s_.phone().queue().post([&keys, code, mode] { keys.deliver(code, mode); });
}

// A command of the script's, run at once; one that fails is said on the log and the status line.
void Window::command(Op op) {
  Command c;
  c.op = op;
  try {
    s_.execute(c);
  } catch (const std::exception& e) {
    log_ << "tunestrip-sim: " << describe(c) << ": " << e.what() << "\n";
    note(describe(c) + ": " + e.what(), true);
  }
}

}  // namespace sim

#endif
