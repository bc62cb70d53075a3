#include "editor_phone.h"

#include <algorithm>
#include <string_view>

#include "core/wstr.h"
#include "screen/fonts.h"
#include "shell/config/panel_labels.h"

namespace sim {
namespace {

constexpr int kReach = 3;  // how near a handle a press grabs it, in the phone's pixels

// A text of the kind each label shows, for the width of its box.
std::string_view typical_text(std::string_view label) {
  for (const CFG_LABEL& l : config_labels)
    if (l.word == label) return l.sample;
  return "Label";
}

bool inside(const editor::Rect& r, int x, int y) {
  return x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2;
}

}  // namespace

editor::Rect PhoneTool::box(const editor::Model& m, const editor::Element& e) const {
  const editor::Placement p = editor::place(m, e);
  if (e.kind != editor::ElementKind::Label) return p.box;
  const int w = fonts_.text_width(host::utf8_to_utf16(std::string(typical_text(e.name))), p.font);
  const int h = fonts_.metrics(p.font).line_height;
  return {p.box.x1, p.box.x1 + std::max(w, 4), p.box.y1, p.box.y1 + std::max(h, 4)};
}

const editor::Element* PhoneTool::at(const editor::Model& m, int x, int y) const {
  const auto all = editor::elements();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (editor::place(m, *it).shown && inside(box(m, *it), x, y)) return &*it;
  return nullptr;
}

std::optional<editor::Handle> PhoneTool::handle_under(const editor::Model& m) const {
  if (!picked_ || picked_->kind == editor::ElementKind::Label) return std::nullopt;
  return editor::handle_at(box(m, *picked_), mouse_x_, mouse_y_, kReach);
}

const editor::Element* PhoneTool::press(editor::Model& m, int x, int y) {
  mouse_x_ = x, mouse_y_ = y;
  if (drag_) release(m);
  std::optional<editor::Handle> handle = handle_under(m);
  const editor::Element* e = handle ? picked_ : at(m, x, y);
  picked_ = e;
  if (!e) return nullptr;
  m.begin_gesture();
  drag_ = Drag{e, handle, box(m, *e), x, y};
  return e;
}

editor::Result PhoneTool::motion(editor::Model& m, int x, int y, int grid) {
  mouse_x_ = x, mouse_y_ = y;
  if (!drag_) {
    hover_ = at(m, x, y);
    return {};
  }
  hover_ = drag_->element;
  if (drag_->handle)
    return editor::resize(m, *drag_->element, *drag_->handle, x, y, 0, grid);
  return editor::move_to(m, *drag_->element, drag_->start.x1 + (x - drag_->x),
                         drag_->start.y1 + (y - drag_->y), 0, grid);
}

void PhoneTool::release(editor::Model& m) {
  if (!drag_) return;
  drag_.reset();
  m.end_gesture();
}

editor::Result PhoneTool::nudge(editor::Model& m, int dx, int dy) {
  if (!picked_) return {};
  return editor::move_by(m, *picked_, dx, dy);
}

}  // namespace sim
