#include "config/editor.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

namespace editor {
namespace {

// The value called `name`, which must belong to an item of `type`; throws bcfg::Error otherwise.
const bcfg::Value& value_of(std::string_view name, uint32_t type) {
  const bcfg::Value* v = bcfg::find(name);
  if (!v) throw bcfg::Error("unknown name '" + std::string(name) + "'");
  if (v->item->type != type) {
    const std::string what = bcfg::type_name(type);
    const bool vowel = std::string_view("aeiou").find(what[0]) != std::string_view::npos;
    throw bcfg::Error("'" + std::string(name) + "' is not " + (vowel ? "an " : "a ") + what);
  }
  return *v;
}

std::string hex32(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

}  // namespace

Model::Model() : image_(bcfg::default_image()), saved_(image_) {}

Model::Model(fs::path path)
    : image_(bcfg::read_file(path)), saved_(image_), path_(std::move(path)) {}

// ---------------------------------------------------------------------------------------------

bool Model::checkbox(std::string_view name) const {
  value_of(name, ITEM_CHECKBOX);
  return bcfg::number(image_, name) != 0;
}
int64_t Model::integer(std::string_view name) const {
  value_of(name, ITEM_INT);
  return bcfg::number(image_, name);
}
int64_t Model::list_index(std::string_view name) const {
  value_of(name, ITEM_LIST);
  return bcfg::number(image_, name);
}
uint32_t Model::colour(std::string_view name) const {
  value_of(name, ITEM_COLOR);
  return uint32_t(bcfg::number(image_, name));
}
Rect Model::rect(std::string_view name) const {
  const RECT r = bcfg::rect(image_, name);
  return {r.x1, r.x2, r.y1, r.y2};
}
Point Model::point(std::string_view name) const {
  const CFG_ITEM& it = *value_of(name, ITEM_POINT).item;
  return {int(bcfg::number(image_, it.name)), int(bcfg::number(image_, it.name2))};
}
int64_t Model::font(std::string_view name) const {
  value_of(name, ITEM_FONT);
  return bcfg::number(image_, name);
}
Key Model::key() const {
  return {int(bcfg::number(image_, "KEYRUN")), int(bcfg::number(image_, "KEYRUNMODE"))};
}
std::string Model::text(std::string_view name) const { return bcfg::get(image_, name); }

std::optional<std::string> Model::fault(std::string_view name) const {
  const bcfg::Value* v = bcfg::find(name);
  if (!v) throw bcfg::Error("unknown name '" + std::string(name) + "'");
  return bcfg::value_fault(image_, *v);
}

// ---------------------------------------------------------------------------------------------

Result Model::edit(std::string_view name, uint32_t type, std::vector<std::string> texts) {
  bcfg::Image next = image_;
  try {
    const CFG_ITEM& it = *value_of(name, type).item;
    bcfg::set(next, it.name, texts.at(0));
    if (texts.size() > 1) bcfg::set(next, it.name2, texts.at(1));
  } catch (const bcfg::Error& e) {
    return {e.what(), false};
  }
  return commit(next);
}

Result Model::set_checkbox(std::string_view name, bool on) {
  return edit(name, ITEM_CHECKBOX, {on ? "1" : "0"});
}
Result Model::set_integer(std::string_view name, int64_t value) {
  return edit(name, ITEM_INT, {std::to_string(value)});
}
Result Model::set_list_index(std::string_view name, int64_t index) {
  return edit(name, ITEM_LIST, {std::to_string(index)});
}
Result Model::set_colour(std::string_view name, uint32_t argb) {
  return edit(name, ITEM_COLOR, {hex32(argb)});
}
Result Model::set_rect(std::string_view name, const Rect& r) {
  return edit(name, ITEM_RECT,
              {std::to_string(r.x1) + "," + std::to_string(r.x2) + "," + std::to_string(r.y1) +
               "," + std::to_string(r.y2)});
}
Result Model::set_point(std::string_view name, const Point& p) {
  return edit(name, ITEM_POINT, {std::to_string(p.x), std::to_string(p.y)});
}
Result Model::set_font(std::string_view name, int64_t font_id) {
  return edit(name, ITEM_FONT, {std::to_string(font_id)});
}
Result Model::set_key(const Key& k) {
  return edit("KEYRUN", ITEM_KEY, {std::to_string(k.code), std::to_string(k.mode)});
}
Result Model::set_text(std::string_view name, std::string_view text) {
  bcfg::Image next = image_;
  try {
    bcfg::set(next, name, text);
  } catch (const bcfg::Error& e) {
    return {e.what(), false};
  }
  return commit(next);
}

// ---------------------------------------------------------------------------------------------

Model::Step Model::diff(const bcfg::Image& before, const bcfg::Image& after) {
  Step step;
  for (size_t i = 0; i < before.size();) {
    if (before[i] == after[i]) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < before.size() && before[end] != after[end]) ++end;
    step.push_back({uint32_t(i), {before.begin() + i, before.begin() + end},
                    {after.begin() + i, after.begin() + end}});
    i = end;
  }
  return step;
}

void Model::apply(const Step& step, bool forward) {
  for (const Run& r : step) {
    const std::vector<uint8_t>& bytes = forward ? r.after : r.before;
    std::copy(bytes.begin(), bytes.end(), image_.begin() + r.offset);
  }
  ++revision_;
}

Result Model::commit(const bcfg::Image& next) {
  if (next == image_) return {};
  if (!in_gesture()) {
    undo_.push_back(diff(image_, next));
    redo_.clear();
  }
  image_ = next;
  ++revision_;
  return {{}, true};
}

bool Model::undo() {
  close_gesture();
  if (undo_.empty()) return false;
  apply(undo_.back(), false);
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  return true;
}

bool Model::redo() {
  close_gesture();
  if (redo_.empty()) return false;
  apply(redo_.back(), true);
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  return true;
}

void Model::begin_gesture() {
  if (gesture_depth_++ == 0) gesture_start_ = image_;
}

void Model::end_gesture() {
  if (gesture_depth_ == 0 || --gesture_depth_ > 0) return;
  if (image_ == gesture_start_) return;
  undo_.push_back(diff(gesture_start_, image_));
  redo_.clear();
}

void Model::close_gesture() {
  if (gesture_depth_ == 0) return;
  gesture_depth_ = 1;
  end_gesture();
}

void Model::cancel_gesture() {
  if (gesture_depth_ == 0) return;
  gesture_depth_ = 0;
  if (image_ == gesture_start_) return;
  image_ = gesture_start_;
  ++revision_;
}

// ---------------------------------------------------------------------------------------------

Result Model::save() {
  if (path_.empty())
    return {"this configuration has no file yet; save it under a name first", false};
  return save_as(path_);
}

Result Model::save_as(const fs::path& path) {
  try {
    bcfg::write_file(path, image_);
  } catch (const bcfg::Error& e) {
    return {e.what(), false};
  }
  path_ = path;
  saved_ = image_;
  theirs_.reset();
  return {};
}

Result Model::reload() {
  if (path_.empty()) return {"this configuration has no file to read again", false};
  close_gesture();
  bcfg::Image file;
  try {
    file = bcfg::read_file(path_);
  } catch (const bcfg::Error& e) {
    return {e.what(), false};
  }
  theirs_.reset();
  saved_ = file;
  return commit(file);
}

ExternalChange Model::external_change() {
  if (path_.empty()) return {};
  bcfg::Image file;
  try {
    file = bcfg::read_file(path_);
  } catch (const bcfg::Error& e) {
    return {External::Unreadable,
            std::string(e.what()) + "; the editor keeps its own values (save writes them)"};
  }
  const std::string name = path_.string();
  if (file == saved_) {
    theirs_.reset();
    return {};
  }
  if (!dirty() || file == image_) {
    close_gesture();
    theirs_.reset();
    saved_ = file;
    commit(file);
    return {External::TakenIn, name + " changed on disk; its values are taken in (undo brings "
                                      "back the ones before)"};
  }
  theirs_ = file;
  return {External::Conflict,
          name + " changed on disk while this editor has unsaved edits; keep yours (save "
                 "overwrites the file) or take the file's"};
}

void Model::keep_mine() {
  if (!theirs_) return;
  saved_ = *theirs_;
  theirs_.reset();
}

Result Model::take_theirs() {
  if (!theirs_) return {};
  close_gesture();
  saved_ = *theirs_;
  const bcfg::Image file = *theirs_;
  theirs_.reset();
  return commit(file);
}

// ---------------------------------------------------------------------------------------------

std::vector<std::string_view> changed_values(const bcfg::Image& a, const bcfg::Image& b) {
  std::vector<std::string_view> out;
  for (const bcfg::Value& v : bcfg::values()) {
    const CFG_ITEM& it = *v.item;
    // A value's own bytes: 4, a rectangle's 8 (x1..y2); a point's and the key's two names 4 each.
    const size_t size = it.type == ITEM_RECT ? 8 : 4;
    if (!std::equal(a.begin() + v.offset, a.begin() + v.offset + size, b.begin() + v.offset))
      out.push_back(v.name);
  }
  return out;
}

}  // namespace editor
