#include "editor_fields.h"

#if defined(TS_HAVE_IMGUI)

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

#include "config/bcfg.h"
#include "config/choices.h"
#include "core/codes.h"

namespace sim {
namespace {

const ImVec4 kRefused{1.0f, 0.45f, 0.4f, 1.0f};
const ImVec4 kFault{1.0f, 0.8f, 0.3f, 1.0f};
const ImVec4 kMarked{0.55f, 0.42f, 0.08f, 1.0f};

std::string font_text(int64_t id) {
  for (const editor::FontChoice& f : editor::phone_fonts())
    if (f.id == id) {
      char buf[64];
      std::snprintf(buf, sizeof buf, id >= 0x100 ? "0x%04llX: %d px %s" : "%lld: %d px %s",
                    static_cast<long long>(id), f.pixel_size, f.bold ? "bold" : "regular");
      return buf;
    }
  return std::to_string(id) + ": not a font of the phone's";
}

std::string key_text(int code) {
  const char* name = host::codes::key_name(code);
  return (name ? std::string(name) : std::string("key")) + " (" + std::to_string(code) + ")";
}

// Widths of `n` fields side by side in what is left of the row.
float share(int n) {
  const float gap = ImGui::GetStyle().ItemInnerSpacing.x;
  return std::max(20.0f, (ImGui::GetContentRegionAvail().x - gap * float(n - 1)) / float(n));
}

// The next widget on the same row, a small gap on.
void next() { ImGui::SameLine(0, ImGui::GetStyle().ItemInnerSpacing.x); }

}  // namespace

template <typename Edit>
void Fields::edit(editor::Model& m, std::string_view name, Edit&& e) {
  // Held: typing in a field, a repeating button, a drag in the picker.
  if (ImGui::IsAnyItemActive() && !gesture_) {
    m.begin_gesture();
    gesture_ = true;
  }
  const editor::Result r = e();
  refused_ = !r;
  refused_name_ = name;
  if (r) {
    errors_.erase(std::string(name));
    return;
  }
  errors_[std::string(name)] = r.error;
  // A field that is not held (a choice, Enter in a field) shows the value it had at once.
  if (!ImGui::IsAnyItemActive()) went_back(m, std::string(name));
}

void Fields::went_back(const editor::Model& m, const std::string& name) {
  auto it = errors_.find(name);
  if (it == errors_.end()) return;
  std::string value;
  try {
    value = bcfg::get(m.image(), name);
  } catch (const std::exception&) {
  }
  went_back_ = it->second + (value.empty() ? "" : "; " + name + " stays " + value);
  errors_.erase(it);
}

bool Fields::begin_items() {
  if (!ImGui::BeginTable("##items", 2, ImGuiTableFlags_SizingStretchProp)) return false;
  ImGui::TableSetupColumn("item", ImGuiTableColumnFlags_WidthStretch, 0.5f);
  ImGui::TableSetupColumn("value", ImGuiTableColumnFlags_WidthStretch, 0.5f);
  return true;
}

void Fields::reveal(int index) {
  open_.clear();
  marked_ = index;
  for (const editor::Node* n : editor::path_to(index)) open_.insert(n->index);
  scroll_ = index >= 0;
}

std::string Fields::draw(editor::Model& m) {
  const editor::Node& root = editor::tree();
  for (const editor::Node& n : root.children) {
    if (n.kind == editor::Kind::Group) {
      group(m, n, 0);
    } else if (begin_items()) {
      item(m, n);
      ImGui::EndTable();
    }
  }
  open_.clear();
  scroll_ = false;
  // A field let go: one undo step; when what was typed last was refused, the field goes back to
  // the value it had (rather than keep a part of the refused number).
  if (!ImGui::IsAnyItemActive()) let_go(m);
  return std::exchange(went_back_, std::string());
}

void Fields::let_go(editor::Model& m) {
  if (!gesture_) return;
  gesture_ = false;
  if (refused_) {
    m.cancel_gesture();
    went_back(m, refused_name_);
  } else {
    m.end_gesture();
  }
}

void Fields::group(editor::Model& m, const editor::Node& n, int depth) {
  ImGui::PushID(n.index);
  const std::string title = std::string(n.english) + "   " + std::string(n.label) + "###g";
  if (open_.count(n.index)) ImGui::SetNextItemOpen(true);
  const bool marked = n.index == marked_;
  if (marked) {
    ImGui::PushStyleColor(ImGuiCol_Header, kMarked);
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1, 0.9f, 0.5f, 1));
  }
  const bool open = depth == 0 ? ImGui::CollapsingHeader(title.c_str())
                               : ImGui::TreeNodeEx(title.c_str(), marked ? ImGuiTreeNodeFlags_Selected : 0);
  if (marked) ImGui::PopStyleColor(2);
  if (marked && scroll_) ImGui::SetScrollHereY(0.0f);
  if (open) {
    bool table = false;
    for (const editor::Node& c : n.children) {
      if (c.kind == editor::Kind::Group) {
        if (table) ImGui::EndTable();
        table = false;
        group(m, c, depth + 1);
        continue;
      }
      if (!table) table = begin_items();
      if (table) item(m, c);
    }
    if (table) ImGui::EndTable();
    if (depth > 0) ImGui::TreePop();
  }
  ImGui::PopID();
}

void Fields::item(editor::Model& m, const editor::Node& n) {
  ImGui::PushID(n.index);
  ImGui::TableNextRow();
  ImGui::TableSetColumnIndex(0);
  // Both labels wrap at the column's edge, the block's own beside the English one when it fits
  // there, else under it: neither is cut.
  const char* english = n.english.data();
  const char* label = n.label.data();
  const float gap = ImGui::GetStyle().ItemSpacing.x;
  const bool beside = ImGui::CalcTextSize(english, english + n.english.size()).x + gap +
                          ImGui::CalcTextSize(label, label + n.label.size()).x <=
                      ImGui::GetContentRegionAvail().x;
  ImGui::PushTextWrapPos(0.0f);
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(english, english + n.english.size());
  const bool hovered = ImGui::IsItemHovered();
  if (beside) ImGui::SameLine();
  ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
  ImGui::TextUnformatted(label, label + n.label.size());
  ImGui::PopStyleColor();
  ImGui::PopTextWrapPos();
  if (hovered || ImGui::IsItemHovered()) {
    std::string names(n.name);
    if (!n.name2.empty()) names += ", " + std::string(n.name2);
    const CFG_ITEM& it = config_catalogue[size_t(n.index)];
    ImGui::SetTooltip("%s: %s %s", names.c_str(), bcfg::type_name(it.type), bcfg::limits(it).c_str());
  }
  ImGui::TableSetColumnIndex(1);
  switch (n.kind) {
    case editor::Kind::Checkbox: {
      bool on = m.checkbox(n.name);
      if (ImGui::Checkbox("##v", &on)) edit(m, n.name, [&] { return m.set_checkbox(n.name, on); });
      break;
    }
    case editor::Kind::Integer: integer(m, n); break;
    case editor::Kind::List: list(m, n); break;
    case editor::Kind::Colour: colour(m, n); break;
    case editor::Kind::Rect: rect(m, n); break;
    case editor::Kind::Point: point(m, n); break;
    case editor::Kind::Font: font(m, n); break;
    case editor::Kind::Key: key(m); break;
    case editor::Kind::Group: break;
  }
  // What the file brought that the block can't hold, and what the field refused.
  ImGui::PushTextWrapPos(0.0f);
  for (std::string_view name : {n.name, n.name2}) {
    if (name.empty()) continue;
    if (auto fault = m.fault(name))
      ImGui::TextColored(kFault, "%.*s %s", int(name.size()), name.data(), fault->c_str());
    if (auto it = errors_.find(name); it != errors_.end())
      ImGui::TextColored(kRefused, "%s", it->second.c_str());
  }
  ImGui::PopTextWrapPos();
  ImGui::PopID();
}

void Fields::integer(editor::Model& m, const editor::Node& n) {
  const int64_t v = m.integer(n.name);
  const float button = ImGui::GetFrameHeight();
  const float gap = ImGui::GetStyle().ItemInnerSpacing.x;
  // The buttons stop at the limits; a typed value beyond them is refused.
  ImGui::PushButtonRepeat(true);
  ImGui::BeginDisabled(v <= n.min);
  if (ImGui::Button("-", ImVec2(button, button)))
    edit(m, n.name, [&] { return m.set_integer(n.name, v - 1); });
  ImGui::EndDisabled();
  next();
  int64_t typed = v;
  ImGui::SetNextItemWidth(std::max(40.0f, ImGui::GetContentRegionAvail().x - button - gap));
  if (ImGui::InputScalar("##v", ImGuiDataType_S64, &typed))
    edit(m, n.name, [&] { return m.set_integer(n.name, typed); });
  next();
  ImGui::BeginDisabled(v >= n.max);
  if (ImGui::Button("+", ImVec2(button, button)))
    edit(m, n.name, [&] { return m.set_integer(n.name, v + 1); });
  ImGui::EndDisabled();
  ImGui::PopButtonRepeat();
}

void Fields::list(editor::Model& m, const editor::Node& n) {
  const int64_t v = m.list_index(n.name);
  auto text = [&](size_t i) {
    std::string t(i < n.english_choices.size() ? n.english_choices[i] : std::string_view());
    if (i < n.choices.size()) t += "  (" + std::string(n.choices[i]) + ")";
    return t;
  };
  const std::string preview = v >= 0 && size_t(v) < n.choices.size()
                                  ? text(size_t(v))
                                  : std::to_string(v) + ": no such choice";
  ImGui::SetNextItemWidth(-FLT_MIN);
  if (ImGui::BeginCombo("##v", preview.c_str())) {
    for (size_t i = 0; i < n.choices.size(); ++i) {
      if (ImGui::Selectable(text(i).c_str(), int64_t(i) == v))
        edit(m, n.name, [&] { return m.set_list_index(n.name, int64_t(i)); });
      if (int64_t(i) == v) ImGui::SetItemDefaultFocus();
    }
    ImGui::EndCombo();
  }
}

void Fields::colour(editor::Model& m, const editor::Node& n) {
  const uint32_t c = m.colour(n.name);
  float f[4] = {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f};
  if (ImGui::ColorEdit4("##v", f,
                        ImGuiColorEditFlags_NoInputs | ImGuiColorEditFlags_AlphaBar |
                            ImGuiColorEditFlags_AlphaPreviewHalf)) {
    auto byte = [](float x) { return uint32_t(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f)); };
    const uint32_t argb = byte(f[3]) << 24 | byte(f[0]) << 16 | byte(f[1]) << 8 | byte(f[2]);
    edit(m, n.name, [&] { return m.set_colour(n.name, argb); });
  }
  next();
  // The value as the block's tools write it, to type or paste.
  char text[32];
  std::snprintf(text, sizeof text, "0x%08X", c);
  ImGui::SetNextItemWidth(-FLT_MIN);
  if (ImGui::InputText("##hex", text, sizeof text,
                       ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_CharsNoBlank))
    edit(m, n.name, [&] { return m.set_text(n.name, text); });
}

void Fields::rect(editor::Model& m, const editor::Node& n) {
  const editor::Rect r = m.rect(n.name);
  int* parts[4];
  editor::Rect typed = r;
  parts[0] = &typed.x1, parts[1] = &typed.x2, parts[2] = &typed.y1, parts[3] = &typed.y2;
  static const char* const ids[4] = {"##x1", "##x2", "##y1", "##y2"};
  static const char* const tips[4] = {"left (x1)", "right (x2)", "top (y1)", "bottom (y2)"};
  const float w = share(4);
  for (int i = 0; i < 4; ++i) {
    if (i) next();
    ImGui::SetNextItemWidth(w);
    if (ImGui::InputScalar(ids[i], ImGuiDataType_S32, parts[i]))
      edit(m, n.name, [&] { return m.set_rect(n.name, typed); });
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", tips[i]);
  }
}

void Fields::point(editor::Model& m, const editor::Node& n) {
  editor::Point p = m.point(n.name);
  const float w = share(2);
  ImGui::SetNextItemWidth(w);
  if (ImGui::InputScalar("##x", ImGuiDataType_S32, &p.x))
    edit(m, n.name, [&] { return m.set_point(n.name, p); });
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("x (%.*s)", int(n.name.size()), n.name.data());
  next();
  ImGui::SetNextItemWidth(w);
  if (ImGui::InputScalar("##y", ImGuiDataType_S32, &p.y))
    edit(m, n.name, [&] { return m.set_point(n.name, p); });
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("y (%.*s)", int(n.name2.size()), n.name2.data());
}

void Fields::font(editor::Model& m, const editor::Node& n) {
  const int64_t v = m.font(n.name);
  ImGui::SetNextItemWidth(-FLT_MIN);
  if (ImGui::BeginCombo("##v", font_text(v).c_str(), ImGuiComboFlags_HeightLarge)) {
    for (const editor::FontChoice& f : editor::phone_fonts()) {
      if (ImGui::Selectable(font_text(f.id).c_str(), f.id == v))
        edit(m, n.name, [&] { return m.set_font(n.name, f.id); });
      if (f.id == v) ImGui::SetItemDefaultFocus();
    }
    ImGui::EndCombo();
  }
}

void Fields::key(editor::Model& m) {
  const editor::Key k = m.key();
  const std::string label = capture_ ? "press a phone key...###key" : key_text(k.code) + "###key";
  const bool waiting = capture_;
  if (waiting) ImGui::PushStyleColor(ImGuiCol_Button, kMarked);
  if (ImGui::Button(label.c_str(), ImVec2(share(2), 0))) {
    capture_ = !capture_;
    if (!capture_) errors_.erase("KEYRUN");  // the refusal of a key is the waiting's
  }
  if (waiting) ImGui::PopStyleColor();
  if (ImGui::IsItemHovered())
    ImGui::SetTooltip(waiting ? "Press the key on the computer's keyboard (click to stop)"
                              : "Click, then press the key that shows and hides the panel");
  next();
  std::string mode = std::to_string(k.mode);
  for (const editor::KeyChoice& c : editor::press_modes())
    if (c.code == k.mode) mode = std::string(c.name);
  ImGui::SetNextItemWidth(-FLT_MIN);
  if (ImGui::BeginCombo("##mode", mode.c_str())) {
    for (const editor::KeyChoice& c : editor::press_modes()) {
      if (ImGui::Selectable(std::string(c.name).c_str(), c.code == k.mode))
        edit(m, "KEYRUNMODE", [&] { return m.set_key({k.code, c.code}); });
    }
    ImGui::EndCombo();
  }
}

void Fields::captured(editor::Model& m, int code) {
  if (code == 0) {
    errors_["KEYRUN"] = "that key stands for none of the phone's keys (see H)";
    return;
  }
  capture_ = false;
  edit(m, "KEYRUN", [&] { return m.set_key({code, m.key().mode}); });
}

}  // namespace sim

#endif
