#include "config/elements.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <vector>

#include "config/bcfg_labels.h"
#include "config/panel_use.h"
#include "shell/config/panel_labels.h"

namespace editor {
namespace {

constexpr int64_t kRectMax = 0xFFFF;
constexpr int64_t kPointMin = CFG_POINT_MIN;
constexpr int64_t kPointMax = CFG_POINT_MAX;

#define TS_BOX(kind, rect, english) {ElementKind::kind, rect, english, -1, rect, {}, {}, {}}

// A value's name as the catalogue spells it (a string that outlives the elements).
std::string_view catalogue_name(const std::string& name) { return bcfg::find(name)->name; }

Element label(const CFG_LABEL& l) {
  const std::string w = l.word;
  return {ElementKind::Label, l.word, {}, -1, {}, catalogue_name("X_" + w + "_POS"),
          catalogue_name("Y_" + w + "_POS"), catalogue_name("FONT_" + w)};
}

std::vector<Element> build() {
  std::vector<Element> all = {
      TS_BOX(Panel, "rcFON", "Panel"),
      TS_BOX(ProgressBar, "rcBAR", "Progress bar"),
      TS_BOX(Cover, "rcCover", "Cover"),
      TS_BOX(Button, "FUNCTION_KEY_RECT1", "Button 1"),
      TS_BOX(Button, "FUNCTION_KEY_RECT2", "Button 2"),
      TS_BOX(Button, "FUNCTION_KEY_RECT3", "Button 3"),
      TS_BOX(Button, "FUNCTION_KEY_RECT4", "Button 4"),
      TS_BOX(Button, "FUNCTION_KEY_RECT5", "Button 5"),
  };
  // The labels lie between the progress bar and the cover, in the panel's drawing order.
  std::array<Element, CFG_LABEL_COUNT> labels{};
  for (const CFG_LABEL& l : config_labels) labels[l.layer] = label(l);
  all.insert(all.begin() + 2, labels.begin(), labels.end());
  for (Element& e : all) {
    const CFG_ITEM& it = *bcfg::find(e.kind == ElementKind::Label ? e.x : e.rect)->item;
    e.group = it.parent;
    // A label is called by its group ("Title").
    if (e.kind == ElementKind::Label)
      e.english = bcfg::english_label(config_catalogue[size_t(it.parent)]);
  }
  return all;
}

#undef TS_BOX

int64_t snap(int64_t v, int grid) {
  if (grid <= 1) return v;
  int64_t r = v % grid;
  if (r < 0) r += grid;
  return r * 2 >= grid ? v - r + grid : v - r;
}

// Moves by (dx, dy) in the configuration's coordinates, held to what the values can hold.
Result shift(Model& model, const Element& e, int64_t dx, int64_t dy) {
  if (e.kind == ElementKind::Label) {
    const Point p = model.point(e.x);
    return model.set_point(e.x, {int(std::clamp<int64_t>(p.x + dx, kPointMin, kPointMax)),
                                 int(std::clamp<int64_t>(p.y + dy, kPointMin, kPointMax))});
  }
  Rect r = model.rect(e.rect);
  dx = std::clamp<int64_t>(dx, -std::min(r.x1, r.x2), kRectMax - std::max(r.x1, r.x2));
  dy = std::clamp<int64_t>(dy, -std::min(r.y1, r.y2), kRectMax - std::max(r.y1, r.y2));
  r.x1 += int(dx), r.x2 += int(dx), r.y1 += int(dy), r.y2 += int(dy);
  return model.set_rect(e.rect, r);
}

}  // namespace

std::span<const Element> elements() {
  static const std::vector<Element> all = build();
  return all;
}

const Element* element(std::string_view name) {
  for (const Element& e : elements())
    if (e.name == name) return &e;
  return nullptr;
}

Placement place(const Model& model, const Element& e, int offset_y) {
  Placement p;
  if (e.kind == ElementKind::Label) {
    const std::string on = "IS_" + std::string(e.name) + "_EN";
    p.shown = model.checkbox(on);
    if (!p.shown) p.hidden_why = on + " is off";
    const Point at = model.point(e.x);
    p.box = {at.x, at.x, at.y + offset_y, at.y + offset_y};
    p.font = int(model.font(e.font));
    return p;
  }
  auto why = bcfg::unused_reason(model.image(), e.rect);
  p.shown = !why;
  if (why) p.hidden_why = *why;
  p.box = model.rect(e.rect);
  p.box.y1 += offset_y;
  p.box.y2 += offset_y;
  return p;
}

Result move_by(Model& model, const Element& e, int dx, int dy) { return shift(model, e, dx, dy); }

Result move_to(Model& model, const Element& e, int x, int y, int offset_y, int grid) {
  const Rect at = place(model, e).box;
  return shift(model, e, snap(x, grid) - at.x1, snap(int64_t(y) - offset_y, grid) - at.y1);
}

Result resize(Model& model, const Element& e, Handle h, int x, int y, int offset_y, int grid) {
  if (e.kind == ElementKind::Label)
    return {std::string(e.english) + " is a label: its size follows its text and font", false};
  const int64_t tx = std::clamp<int64_t>(snap(x, grid), 0, kRectMax);
  const int64_t ty = std::clamp<int64_t>(snap(int64_t(y) - offset_y, grid), 0, kRectMax);
  Rect r = model.rect(e.rect);
  const bool left = h == Handle::Left || h == Handle::TopLeft || h == Handle::BottomLeft;
  const bool right = h == Handle::Right || h == Handle::TopRight || h == Handle::BottomRight;
  const bool top = h == Handle::Top || h == Handle::TopLeft || h == Handle::TopRight;
  const bool bottom = h == Handle::Bottom || h == Handle::BottomLeft || h == Handle::BottomRight;
  if (left) r.x1 = int(std::min<int64_t>(tx, r.x2));
  if (right) r.x2 = int(std::max<int64_t>(tx, r.x1));
  if (top) r.y1 = int(std::min<int64_t>(ty, r.y2));
  if (bottom) r.y2 = int(std::max<int64_t>(ty, r.y1));
  return model.set_rect(e.rect, r);
}

std::optional<Handle> handle_at(const Rect& box, int x, int y, int reach) {
  if (x < box.x1 - reach || x > box.x2 + reach || y < box.y1 - reach || y > box.y2 + reach)
    return std::nullopt;
  // On a box narrower than two reaches, the nearer edge wins.
  const int dl = std::abs(x - box.x1), dr = std::abs(x - box.x2);
  const int dt = std::abs(y - box.y1), db = std::abs(y - box.y2);
  const int horizontal = std::min(dl, dr) > reach ? 0 : dl <= dr ? -1 : 1;
  const int vertical = std::min(dt, db) > reach ? 0 : dt <= db ? -1 : 1;
  if (horizontal < 0)
    return vertical < 0 ? Handle::TopLeft : vertical > 0 ? Handle::BottomLeft : Handle::Left;
  if (horizontal > 0)
    return vertical < 0 ? Handle::TopRight : vertical > 0 ? Handle::BottomRight : Handle::Right;
  if (vertical != 0) return vertical < 0 ? Handle::Top : Handle::Bottom;
  return std::nullopt;
}

}  // namespace editor
