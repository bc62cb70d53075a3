// The editor's work on the phone's screen: which element of the panel lies under the mouse, the
// one picked, and the drags that move it (a label by its X/Y, a box by its rectangle) or resize a
// box by its edges and corners. Coordinates are the phone's pixels; the boxes are where the
// configuration puts them with the panel shown (the window cannot know how far a slide has gone,
// so it shows and hits the place the panel slides to).
#pragma once

#include <optional>
#include <string>

#include "config/editor.h"
#include "config/elements.h"

namespace host {
class Fonts;
}

namespace sim {

class PhoneTool {
 public:
  explicit PhoneTool(host::Fonts& fonts) : fonts_(fonts) {}

  // The element's box: a box element's rectangle; a label's from its anchor, a line of its font
  // high and as wide as a typical text of it in that font.
  editor::Rect box(const editor::Model& m, const editor::Element& e) const;
  // The topmost shown element at (x, y); null for none.
  const editor::Element* at(const editor::Model& m, int x, int y) const;

  // The mouse pressed at (x, y): on a handle of the picked box it starts a resize, on an element
  // it picks that element and starts moving it, elsewhere it drops the pick. Answers the
  // element picked (null for none).
  const editor::Element* press(editor::Model& m, int x, int y);
  // The mouse at (x, y), pressed or not; a drag moves or resizes, snapped to `grid` (> 1).
  editor::Result motion(editor::Model& m, int x, int y, int grid);
  void release(editor::Model& m);
  // The mouse left the phone's screen (a drag goes on until release).
  void leave() { hover_ = nullptr; }
  // Moves the picked element by (dx, dy): one undo step.
  editor::Result nudge(editor::Model& m, int dx, int dy);

  const editor::Element* picked() const { return picked_; }
  void pick(const editor::Element* e) { picked_ = e; }
  const editor::Element* hovered() const { return hover_; }
  bool dragging() const { return drag_.has_value(); }
  // The handle a press at the mouse would grab (for the cursor's shape).
  std::optional<editor::Handle> handle_under(const editor::Model& m) const;

 private:
  struct Drag {
    const editor::Element* element;
    std::optional<editor::Handle> handle;  // none: a move
    editor::Rect start;                     // the box when it began
    int x, y;                               // the mouse when it began
  };

  host::Fonts& fonts_;
  const editor::Element* picked_ = nullptr;
  const editor::Element* hover_ = nullptr;
  std::optional<Drag> drag_;
  int mouse_x_ = -1, mouse_y_ = -1;
};

}  // namespace sim
