// The window's frame: where the phone, the editor and the status line go, the phone's screen
// with its message box, the status line, the title, and the pace of the frames.
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

constexpr std::chrono::microseconds kFrame{16667};  // 60 frames a second
constexpr int kMessageFont = 18;                    // 11 px
constexpr int kStatusFont = 0x2011;                 // 13 px
constexpr int kStatusLines = 3;
constexpr uint32_t kStatusText = 0xE8E8E8, kStatusDim = 0xA0A8B0, kNoteOk = 0x9FE09F,
                   kNoteBad = 0xFF8A80;

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

int Window::status_height() const {
  return kStatusLines * s_.phone().fonts().metrics(kStatusFont).line_height + 8;
}

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

void Window::present() {
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
  if (presented_ > 0)
    intervals_.push_back(std::chrono::duration<double, std::milli>(now - last_present_).count());
  last_present_ = now;
  ++presented_;
  // The next frame is due a frame's time after this one was; a frame missed is not made up.
  next_present_ += kFrame;
  if (next_present_ < now) next_present_ = now + kFrame;
}

// ---- The status line ----

// The clock and the player, the skin and configuration, and the last reload, skin check or
// editor's word; drawn anew only when it says something else.
void Window::draw_status(int width) {
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

}  // namespace sim

#endif
