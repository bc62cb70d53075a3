// The configuration editor's model: one configuration block (7124 bytes) being edited, the file it
// belongs to, the session's undo history and what changed on disk meanwhile. No window: the
// editor's window draws the fields of editor::tree() with these getters and setters, and the
// panel's elements on the phone with elements.h.
//
// Values go by name (bcfg::values(); a point's X_..._POS or Y_..._POS, the hot key's KEYRUN).
// Every edit goes through bcfg::set, so the editor takes exactly what `tunestrip-bcfg set` takes
// and refuses the rest with the same message ("HIDE_SPEED: 20 is out of range 1..15"); a refused
// edit leaves the bytes as they were. The window shows the message at the field.
//
// Using it from a window, frame by frame:
//   - A field: read with the getter of its node's kind; when the widget changes, call the setter
//     and show `result.error` beside the field while it is not empty.
//   - A drag (a slider, a colour picker, an element on the phone): begin_gesture() when it
//     starts, set values every frame, end_gesture() when it is released: one undo step, however
//     many frames. cancel_gesture() (Esc) puts back the values the drag started from.
//   - Ctrl+Z / Ctrl+Y: undo() / redo(); can_undo() / can_redo() grey the menu items.
//   - The phone: when revision() differs from the one last sent, write image() as the phone's
//     configuration file and send the reconfigure notice, as an editor on a phone does. The
//     revision moves on every change of the bytes (edits, every frame of a drag, undo, redo,
//     taking in the file), and never otherwise.
//   - The title bar: path() and dirty(); save() on Ctrl+S.
//   - The file changing on disk (a sim::FileWatch on path() reports it): external_change(); on a
//     Conflict ask the user, then keep_mine() or take_theirs().
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/bcfg.h"

namespace editor {

// A rectangle's four values, as ints so that a window's arithmetic can go outside 0..65535 and be
// refused (or clamped by the element helpers) rather than wrap.
struct Rect {
  int x1 = 0, x2 = 0, y1 = 0, y2 = 0;  // left, right, top, bottom
  bool operator==(const Rect&) const = default;
};
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
struct Key {
  int code = 0, mode = 0;  // KEYRUN, KEYRUNMODE
  bool operator==(const Key&) const = default;
};

// What an edit or a file operation did.
struct Result {
  std::string error;     // why it was refused, naming the value or file; empty when it was done
  bool changed = false;  // the block's bytes changed
  explicit operator bool() const { return error.empty(); }
};

// What external_change() found.
enum class External {
  None,        // the file holds what the editor last read or wrote
  TakenIn,     // the file changed and the editor had no unsaved edits: its content is taken in
  Conflict,    // the file changed while the editor has unsaved edits: ask which copy to keep
  Unreadable,  // the file is gone, unreadable or not a configuration: nothing is taken in
};
struct ExternalChange {
  External what = External::None;
  std::string message;  // for the status line; names the file
};

class Model {
 public:
  // The built-in block, belonging to no file yet (save_as gives it one).
  Model();
  // The block in `path`; throws bcfg::Error when the file cannot be read or is not a
  // configuration (bcfg::read_file: 7124 bytes in the block's layout; its values may be out of
  // range, see fault()).
  explicit Model(std::filesystem::path path);

  const bcfg::Image& image() const { return image_; }
  const std::filesystem::path& path() const { return path_; }

  // ---- Values. Getters throw bcfg::Error for an unknown name or one of another kind (names
  // come from editor::tree(), so that is a fault of the caller).
  bool checkbox(std::string_view name) const;
  int64_t integer(std::string_view name) const;
  int64_t list_index(std::string_view name) const;
  uint32_t colour(std::string_view name) const;
  Rect rect(std::string_view name) const;
  Point point(std::string_view name) const;  // either name of the point
  int64_t font(std::string_view name) const;
  Key key() const;
  // The value as `tunestrip-bcfg get` prints it.
  std::string text(std::string_view name) const;
  // What is wrong with a value the file brought in (a checkbox of 7, an integer out of its
  // limits), as `tunestrip-bcfg check` says it; nothing when it is fine.
  std::optional<std::string> fault(std::string_view name) const;

  // Setters: each is one edit (one undo step, or part of the open gesture). A value the item
  // cannot hold, an unknown name or a name of another kind is refused with a message and changes
  // nothing. An edit that leaves the bytes as they were is done but adds no undo step.
  Result set_checkbox(std::string_view name, bool on);
  Result set_integer(std::string_view name, int64_t value);
  Result set_list_index(std::string_view name, int64_t index);
  Result set_colour(std::string_view name, uint32_t argb);
  Result set_rect(std::string_view name, const Rect& r);
  Result set_point(std::string_view name, const Point& p);  // both values at once
  Result set_font(std::string_view name, int64_t font_id);
  Result set_key(const Key& k);  // both values at once
  // Any value from text, as `tunestrip-bcfg set NAME=TEXT` takes it.
  Result set_text(std::string_view name, std::string_view text);

  // ---- Undo. The history holds every step of the session (each step keeps only the bytes it
  // changed). A new step clears what could be redone.
  bool can_undo() const { return !undo_.empty() || gesture_changed(); }
  bool can_redo() const { return !redo_.empty(); }
  size_t undo_steps() const { return undo_.size(); }
  size_t redo_steps() const { return redo_.size(); }
  // Each ends an open gesture first; false when there was nothing to undo or redo.
  bool undo();
  bool redo();

  // A gesture: every edit between begin_gesture() and end_gesture() becomes one undo step (none
  // when the bytes end as they began). Gestures nest; the outermost one counts.
  void begin_gesture();
  void end_gesture();
  // Ends the gesture and puts back the bytes it began with, leaving no step.
  void cancel_gesture();
  bool in_gesture() const { return gesture_depth_ > 0; }

  // Moves on whenever the bytes change; see the top of this file.
  uint64_t revision() const { return revision_; }

  // ---- The file.
  // Unsaved edits: the bytes differ from what the file held when last read or written (so
  // undoing back to that state makes the model clean again).
  bool dirty() const { return image_ != saved_; }
  // Writes the whole block to path() as `tunestrip-bcfg set` does (a temporary file renamed over
  // it, so a failure leaves the file as it was). Refused when there is no path yet.
  Result save();
  // Writes to `path`, which the model then belongs to.
  Result save_as(const std::filesystem::path& path);
  // Reads path() again, dropping unsaved edits: one undo step, so they can be had back.
  Result reload();

  // Looks at path() for a change made from outside (call it when a file watch reports one).
  // Without unsaved edits a changed file is taken in as one undo step (so it can be undone like
  // an edit; dirty() stays false). With unsaved edits the file's content is kept aside as a
  // conflict until keep_mine() or take_theirs(); editing goes on meanwhile. Neither the file nor
  // the bytes change when it is Unreadable.
  ExternalChange external_change();
  bool conflict() const { return theirs_.has_value(); }
  // The file's content kept aside by a conflict; null without one.
  const bcfg::Image* theirs() const { return theirs_ ? &*theirs_ : nullptr; }
  // Keeps the editor's values: the file's content counts as seen, so dirty() tells whether they
  // differ from it and save() overwrites it.
  void keep_mine();
  // Takes the file's content in as one undo step (the edits it replaces can be had back).
  Result take_theirs();

 private:
  // Sets `texts` (one per value of the item: a point's x and y, the key's code and mode) through
  // bcfg::set on a copy, then commits it; refused when `name` is not of item type `type`.
  Result edit(std::string_view name, uint32_t type, std::vector<std::string> texts);
  // Replaces the bytes: one undo step, or part of the open gesture.
  Result commit(const bcfg::Image& next);
  // Ends an open gesture whatever its depth (before undo, redo and taking in a file).
  void close_gesture();
  bool gesture_changed() const { return in_gesture() && image_ != gesture_start_; }

  struct Run {  // bytes that one step changed, before and after
    uint32_t offset;
    std::vector<uint8_t> before, after;
  };
  using Step = std::vector<Run>;
  static Step diff(const bcfg::Image& before, const bcfg::Image& after);
  void apply(const Step& step, bool forward);

  bcfg::Image image_;
  bcfg::Image saved_;  // what the file held when last read or written
  std::filesystem::path path_;
  std::vector<Step> undo_, redo_;
  int gesture_depth_ = 0;
  bcfg::Image gesture_start_{};
  uint64_t revision_ = 0;
  std::optional<bcfg::Image> theirs_;
};

// The names of the values whose bytes differ between two blocks, in block order (a conflict's
// "their file changes HIDE_SPEED and rcFON").
std::vector<std::string_view> changed_values(const bcfg::Image& a, const bcfg::Image& b);

}  // namespace editor
