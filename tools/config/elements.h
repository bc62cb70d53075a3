// The panel's elements on the phone's screen, for the editor's window: where each is drawn with
// the model's configuration, whether it is drawn at all, and the edits that move and resize it.
//
// Boxes are in screen pixels. A panel that is sliding (or slid out of sight) is drawn moved down
// by the add-on's slide offset; pass that offset as `offset_y` and every box and every target
// point is in the pixels the window shows. Snapping goes by the configuration's own coordinates
// (the offset does not move the grid).
//
// A label's box depends on its text, which only the running add-on knows: place() gives its
// anchor (where its text starts, as a box of no size) and its font. The window makes a box from
// the font's line height (host::Fonts::metrics) and a nominal width (the text it shows, or a
// fixed width), and opens the label's group on a click.
//
// A drag: begin_gesture(), note place(...).box at the start, then each frame move_to() the start
// plus the mouse's travel (or resize() to the mouse), end_gesture() on release: one undo step.
// Arrow keys: move_by(±1 or ±10, 0) and so on, one step each.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/editor.h"

namespace editor {

enum class ElementKind { Panel, ProgressBar, Label, Cover, Button };

struct Element {
  ElementKind kind;
  std::string_view name;     // rcFON, rcBAR, rcCover, FUNCTION_KEY_RECT1..5; a label's word
                             // (TITLE, ARTIST, ...)
  std::string_view english;  // "Panel", "Title", "Button 1", ...
  int group;                 // catalogue index of the group that holds its values (node_at)
  std::string_view rect;     // the box's rectangle value; empty for a label
  std::string_view x, y;     // a label's X_..._POS, Y_..._POS; else empty
  std::string_view font;     // a label's FONT_...; else empty
};

// Every element, in the order the panel draws them (the later one lies on top): the panel, the
// progress bar, the twelve labels, the cover, the five buttons. Hit-test in reverse.
std::span<const Element> elements();
// The element of that name; null for none.
const Element* element(std::string_view name);

struct Placement {
  bool shown = false;
  std::string hidden_why;  // when not shown: "COVER_ENABLED is off", "FUNCTION_KEY_COUNT is 2"
  Rect box;                // a box: its rectangle moved down by offset_y; a label: its anchor
                           // (x1 = x2 = x, y1 = y2 = y + offset_y)
  int font = 0;            // a label's font id
};
Placement place(const Model& model, const Element& e, int offset_y = 0);

// Moves the element by (dx, dy) pixels: a label by its X/Y position, a box by its rectangle,
// keeping its size and stopping at the edge of what the block holds (0..65535).
Result move_by(Model& model, const Element& e, int dx, int dy);
// Moves the element's top-left corner (a label's anchor) to the screen point (x, y), snapped to
// multiples of `grid` when grid > 1.
Result move_to(Model& model, const Element& e, int x, int y, int offset_y = 0, int grid = 0);

// The grips of a box: its edges and corners.
enum class Handle { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
// Moves the handle's edge(s) of a box to the screen point (x, y), snapped to multiples of `grid`
// when grid > 1. An edge stops at the opposite one (the box never turns inside out) and at
// 0..65535. A label has no box to resize: refused.
Result resize(Model& model, const Element& e, Handle h, int x, int y, int offset_y = 0,
              int grid = 0);
// The handle of `box` within `reach` pixels of (x, y) (corners before edges); nothing when the
// point is on none.
std::optional<Handle> handle_at(const Rect& box, int x, int y, int reach = 3);

}  // namespace editor
