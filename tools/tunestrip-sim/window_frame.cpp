// The window's frame: where the phone, the editor and the status line go, the phone's screen
// with its message box, the status line, the title, and when a frame is wanted.
#if defined(TS_HAVE_SDL2)

#include <algorithm>
#include <string>

#include "display.h"
#include "editor.h"
#include "screen/fonts.h"
#include "screen/messages.h"
#include "screen/screen.h"
#include "sim/status.h"
#include "window.h"
#include "window_pictures.h"

namespace sim {
namespace {

constexpr int kMessageFont = 18;     // 11 px
constexpr int kStatusFont = 0x2011;  // 13 px
// The status line's rows: the player, the skin, the frozen backdrop when it is, and the last note
// (a reload, the skin check, the editor), which gets the rows the others leave, so that it is read
// whole. Five at first; a longer text makes the window taller, up to twelve.
constexpr int kStatusRows = 5, kMaxStatusRows = 12;
constexpr uint32_t kStatusText = 0xE8E8E8, kStatusDim = 0xA0A8B0, kBackdrop = 0xFFD040,
                   kNoteOk = 0x9FE09F, kNoteBad = 0xFF8A80;
// Frames presented after an event or a note while the editor is open: Dear ImGui takes a click,
// opens a popup or lays out a window that changed size over the frames after the one that saw it.
constexpr int kSettleFrames = 4;

constexpr int kEditorWidth = 540;  // the editor's side of the window, in window units
constexpr int kEditorMinHeight = 480;

}  // namespace

// ---- Layout ----

Window::Layout Window::layout() const {
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

EditorLayout Window::editor_layout(const Layout& l) const {
  return {l.phone, scale_, l.panel, keys_to_editor_};
}

void Window::window_size(bool with_editor, int& w, int& h) const {
  w = w_ * scale_ + (with_editor ? kEditorWidth : 0);
  h = (with_editor ? std::max(h_ * scale_, kEditorMinHeight) : h_ * scale_) + status_h_;
}

int Window::status_height(int rows) const {
  return rows * s_.phone().fonts().metrics(kStatusFont).line_height + 8;
}

int Window::first_status_height() const { return status_height(kStatusRows); }

std::string Window::title() const {
  std::string t = "TuneStrip — " + s_.options().skin.filename().string();
  if (editor_) {
    t += " — " + editor_->file_name() + (editor_->dirty() ? ", unsaved changes" : "");
  } else if (editor_open_) {  // the window about to open with its editor
    const std::filesystem::path& file = s_.skin().config_choice().file;
    t += " — " + (file.empty() ? std::string("the built-in block") : file.filename().string());
  }
  return t + " (H: help)";
}

// ---- The frame ----

void Window::input() {
  redraw_ = true;
  if (editing()) settle_ = kSettleFrames;
}

void Window::note(std::string text, bool bad) {
  note_ = std::move(text);
  note_bad_ = bad;
  // A note may come with a question of the editor's, which opens over the next frames.
  input();
}

bool Window::changed() {
  const host::MessageBox* m = s_.phone().messages().visible();
  if ((m ? m->text : std::string()) != message_) frame_dirty_ = true;
  // The backdrop freezes or thaws only with a frame of the phone's (the panel shown or hidden, a
  // new configuration drawn).
  if (frame_dirty_) {
    backdrop_ = backdrop_status(s_);
    redraw_ = true;
  }
  status_ = {{player_status(s_), kStatusText},
             {skin_status(s_), kStatusDim},
             {backdrop_, kBackdrop},
             {note_, note_bad_ ? kNoteBad : kNoteOk}};
  int width = 0, height = 0;
  display_->size(width, height);
  std::string key = std::to_string(width) + (note_bad_ ? "!" : "");
  for (const StatusLine& l : status_) key += '\n' + l.text;
  if (key != status_key_) {
    status_key_ = std::move(key);
    lay_status(width, height);
    redraw_ = true;
  }
  const bool wanted = redraw_ || settle_ > 0;
  if (wanted && wanted_since_ == Clock::time_point()) wanted_since_ = Clock::now();
  return wanted;
}

void Window::present() {
  if (frame_dirty_) {
    const host::MessageBox* m = s_.phone().messages().visible();
    message_ = m ? m->text : std::string();
    Canvas c(w_, h_, s_.phone().screen().rgba());
    if (m) draw_message(c, s_.phone().fonts(), message_, kMessageFont);
    display_->upload(Picture::Phone, w_, h_, c.rgba().data());
    frame_dirty_ = false;
  }
  const Layout l = layout();
  display_->begin_frame();
  display_->draw(Picture::Phone, l.phone);
  if (editing()) editor_->draw_on_phone(editor_layout(l));
  if (help_) draw_help(l);
  draw_status(l.status.w);
  display_->draw(Picture::Status, l.status);
  if (editing()) editor_->draw_panel(editor_layout(l));
  display_->end_frame();
  if (editor_ && editor_->quit_agreed()) quit_ = true;
  if (std::string t = title(); t != title_) {
    title_ = t;
    SDL_SetWindowTitle(display_->window(), title_.c_str());
  }
  if (wanted_since_ != Clock::time_point())
    waits_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - wanted_since_).count());
  wanted_since_ = {};
  redraw_ = false;
  frame_before_poll_ = false;
  if (settle_ > 0) --settle_;
  ++presented_;
}

// ---- The status line ----

// The lines changed() gathered, laid into rows at the window's width; when they need more rows
// than the status line has, the window grows by as many (and keeps them: the next long message
// finds its room).
void Window::lay_status(int width, int height) {
  status_rows_ = status_rows(s_.phone().fonts(), status_, kStatusFont, width - 12, kMaxStatusRows);
  const int needed = status_height(std::max(kStatusRows, int(status_rows_.size())));
  if (needed > status_h_) {
    const int more = needed - status_h_;
    status_h_ = needed;
    SDL_SetWindowSize(display_->window(), width, height + more);
  }
  status_drawn_ = false;
}

void Window::draw_status(int width) {
  if (status_drawn_) return;
  status_drawn_ = true;
  const Canvas c = status_picture(s_.phone().fonts(), status_rows_, kStatusFont, width, status_h_);
  display_->upload(Picture::Status, width, status_h_, c.rgba().data());
}

}  // namespace sim

#endif
