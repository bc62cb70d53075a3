// The editor's list of every configuration item, grouped as the block groups them, each with its
// English label, the block's own label and the field that edits it (Dear ImGui): checkboxes,
// integers that stop at their limits, lists, colours with alpha, rectangles and points as their
// fields, fonts with their size and weight, and the hot key caught from a key press. A value the
// block can't hold is refused at its field with the same message as `tunestrip-bcfg set` while
// the field holds it; once the field is back at the value it had, the refusal is the caller's to
// tell (the status line).
#pragma once

#if defined(TS_HAVE_IMGUI)

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "config/editor.h"
#include "config/tree.h"

namespace sim {

class Fields {
 public:
  // Draws the items into the current ImGui window. Typing in a field or dragging in a colour
  // picker is one undo step, however many edits it makes. Answers the refusal of a field that
  // went back to its value in this frame ("" for none), with that value.
  std::string draw(editor::Model& m);

  // Opens the groups down to the catalogue item at `index` and scrolls to it on the next frame;
  // its header stays marked (-1: none).
  void reveal(int index);

  // Ends the edit of a field being typed in (the mouse went to the phone before ImGui saw the
  // field let go), as draw() does when the field is let go.
  void let_go(editor::Model& m);

  // The hot key's field waits for a key: the window gives it the next key press.
  bool capturing_key() const { return capture_; }
  // The key pressed while capturing: its phone code, or 0 for a key that stands for none.
  void captured(editor::Model& m, int code);

  // Forgets the refusals shown at the fields (after undo, redo or a file taken in).
  void clear_errors() { errors_.clear(); }

 private:
  void group(editor::Model& m, const editor::Node& n, int depth);
  void item(editor::Model& m, const editor::Node& n);
  void integer(editor::Model& m, const editor::Node& n);
  void list(editor::Model& m, const editor::Node& n);
  void colour(editor::Model& m, const editor::Node& n);
  void rect(editor::Model& m, const editor::Node& n);
  void point(editor::Model& m, const editor::Node& n);
  void font(editor::Model& m, const editor::Node& n);
  void key(editor::Model& m);
  // Opens a table of items: labels on the left, fields on the right.
  bool begin_items();
  // Runs one edit of `name`, inside a gesture while a field is held, and keeps its refusal.
  template <typename Edit>
  void edit(editor::Model& m, std::string_view name, Edit&& e);

  std::map<std::string, std::string, std::less<>> errors_;  // by value name
  std::set<int> open_;  // groups to open on the next frame
  int marked_ = -1;     // the group of the element picked on the phone
  bool scroll_ = false;
  bool capture_ = false;
  bool gesture_ = false;  // a gesture the fields began
  bool refused_ = false;  // the last edit was refused
  std::string refused_name_;  // its value's name
  std::string went_back_;     // the refusal of a field that went back, for draw() to answer
  // Moves the refusal of `name` from its field to went_back_.
  void went_back(const editor::Model& m, const std::string& name);
};

}  // namespace sim

#endif
