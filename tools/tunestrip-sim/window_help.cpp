// The window's help overlay (H, F1): the key map over the phone's screen, drawn anew only when
// the phone's box changes size.
#if defined(TS_HAVE_SDL2)

#include "display.h"
#include "window.h"
#include "window_pictures.h"

namespace sim {
namespace {

constexpr int kHelpFont = 0x2012;  // 14 px

}  // namespace

void Window::draw_help(const Layout& l) {
  if (help_size_ != std::pair{l.phone.w, l.phone.h}) {
    help_size_ = {l.phone.w, l.phone.h};
    const Canvas c = help_picture(s_.phone().fonts(), kHelpFont, l.phone.w, l.phone.h);
    display_->upload(Picture::Help, l.phone.w, l.phone.h, c.rgba().data());
  }
  display_->draw(Picture::Help, l.phone);
}

}  // namespace sim

#endif
