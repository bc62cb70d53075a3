#include "editor.h"

#if defined(TS_HAVE_SDL2)

#include <ostream>

#include "sim/session.h"

#if defined(TS_HAVE_IMGUI)

#include <imgui.h>

#include <algorithm>
#include <cstdint>

#include "config/editor.h"
#include "config/elements.h"
#include "editor_fields.h"
#include "editor_phone.h"
#include "screen/screen.h"

namespace sim {
namespace {

constexpr const char* kQuitQuestion = "Unsaved changes";
constexpr const char* kConflictQuestion = "The file changed on disk";
const ImU32 kPickedColour = IM_COL32(255, 208, 64, 255);
const ImU32 kHoverColour = IM_COL32(96, 220, 255, 255);
const ImU32 kBoxColour = IM_COL32(200, 200, 200, 110);
const ImU32 kGridColour = IM_COL32(255, 255, 255, 34);
const ImU32 kKeysColour = IM_COL32(255, 176, 32, 255);
const ImVec4 kDirty{1.0f, 0.75f, 0.3f, 1.0f};
const ImVec4 kKeysText{1.0f, 0.69f, 0.13f, 1.0f};

ImGuiMouseCursor cursor_of(editor::Handle h) {
  switch (h) {
    case editor::Handle::Left: case editor::Handle::Right: return ImGuiMouseCursor_ResizeEW;
    case editor::Handle::Top: case editor::Handle::Bottom: return ImGuiMouseCursor_ResizeNS;
    case editor::Handle::TopLeft: case editor::Handle::BottomRight: return ImGuiMouseCursor_ResizeNWSE;
    case editor::Handle::TopRight: case editor::Handle::BottomLeft: return ImGuiMouseCursor_ResizeNESW;
  }
  return ImGuiMouseCursor_Arrow;
}

class ImGuiEditor : public Editor {
 public:
  ImGuiEditor(Session& s, std::ostream& log, Note note, editor::Model model)
      : s_(s), log_(log), note_(std::move(note)), m_(std::move(model)),
        tool_(s.phone().fonts()) {}

  void phone_press(int x, int y) override {
    fields_.let_go(m_);  // before a drag on the phone begins its own step
    const editor::Element* e = tool_.press(m_, x, y);
    fields_.reveal(e ? e->group : -1);
  }
  void phone_motion(int x, int y) override {
    const editor::Result r = tool_.motion(m_, x, y, grid_on_ ? grid_ : 0);
    if (!r) note_(r.error, true);
  }
  void phone_release() override {
    tool_.release(m_);
    sync();
  }
  void phone_leave() override { tool_.leave(); }

  bool picked() const override { return tool_.picked() != nullptr; }
  void nudge(int dx, int dy) override {
    const editor::Result r = tool_.nudge(m_, dx, dy);
    if (!r) note_(r.error, true);
    sync();
  }
  void drop_pick() override {
    tool_.pick(nullptr);
    fields_.reveal(-1);
  }
  bool capturing_key() const override { return fields_.capturing_key(); }
  void captured_key(int code) override {
    fields_.captured(m_, code);
    sync();
  }
  bool asking() const override { return ask_quit_ || m_.conflict(); }
  void cancel_question() override { ask_quit_ = false; }

  void undo() override {
    tool_.release(m_);
    if (!m_.undo()) return note_("nothing to undo", false);
    fields_.clear_errors();
    sync();
  }
  void redo() override {
    tool_.release(m_);
    if (!m_.redo()) return note_("nothing to redo", false);
    fields_.clear_errors();
    sync();
  }
  void save() override { save_file(); }

  bool dirty() const override { return m_.dirty(); }
  std::string file_name() const override {
    return m_.path().empty() ? "the built-in block" : m_.path().filename().string();
  }
  void file_changed() override {
    const editor::ExternalChange c = m_.external_change();
    if (c.what == editor::External::None) return;
    if (c.what == editor::External::TakenIn) fields_.clear_errors();
    log_ << "tunestrip-sim: " << c.message << "\n";
    note_(c.message, c.what != editor::External::TakenIn);
    sync();
  }
  void ask_quit() override {
    if (!m_.dirty()) {
      quit_agreed_ = true;
      return;
    }
    ask_quit_ = true;
    quit_error_.clear();
  }
  bool quit_agreed() const override { return quit_agreed_; }

  void sync() override {
    if (m_.revision() == sent_) return;
    sent_ = m_.revision();
    try {
      s_.config().apply(m_.image());
    } catch (const std::exception& e) {
      note_(std::string("the phone did not get the change: ") + e.what(), true);
    }
  }

  void draw_on_phone(const EditorLayout& l) override;
  void draw_panel(const EditorLayout& l) override;

 private:
  bool save_file();
  void header(const EditorLayout& l);
  void questions();
  ImVec2 at(const EditorLayout& l, int x, int y) const {
    return ImVec2(float(l.phone.x + x * l.scale), float(l.phone.y + y * l.scale));
  }

  Session& s_;
  std::ostream& log_;
  Note note_;
  editor::Model m_;
  PhoneTool tool_;
  Fields fields_;
  uint64_t sent_ = UINT64_MAX;  // the revision the phone has; none at first
  bool grid_on_ = false;
  int grid_ = 5;
  bool every_box_ = false;
  bool ask_quit_ = false, quit_agreed_ = false;
  std::string quit_error_;
};

bool ImGuiEditor::save_file() {
  // The built-in block becomes the skin's own configuration.
  const editor::Result r =
      m_.path().empty() ? m_.save_as(s_.options().skin / "TuneStrip.bcfg") : m_.save();
  if (!r) {
    log_ << "tunestrip-sim: cannot save: " << r.error << "\n";
    note_("cannot save: " + r.error, true);
    return false;
  }
  s_.skin().config_saved();
  log_ << "tunestrip-sim: saved " << m_.path().string() << "\n";
  note_("saved " + m_.path().string() + "; " + s_.skin().findings().summary(),
        skin::has_errors(s_.skin().findings().all()));
  return true;
}

void ImGuiEditor::draw_on_phone(const EditorLayout& l) {
  ImDrawList* d = ImGui::GetBackgroundDrawList();
  const host::Screen& screen = s_.phone().screen();
  const float s = float(l.scale);
  if (grid_on_ && grid_ > 1) {
    for (int x = grid_; x < screen.width(); x += grid_)
      d->AddLine(at(l, x, 0), at(l, x, screen.height()), kGridColour);
    for (int y = grid_; y < screen.height(); y += grid_)
      d->AddLine(at(l, 0, y), at(l, screen.width(), y), kGridColour);
  }
  auto frame = [&](const editor::Element& e, ImU32 colour, float thickness) {
    const editor::Rect r = tool_.box(m_, e);
    d->AddRect(at(l, r.x1, r.y1), at(l, r.x2, r.y2), colour, 0, 0, thickness);
    return r;
  };
  if (every_box_)
    for (const editor::Element& e : editor::elements())
      if (editor::place(m_, e).shown) frame(e, kBoxColour, 1);
  const editor::Element* hover = tool_.hovered();
  if (hover && hover != tool_.picked()) {
    const editor::Rect r = frame(*hover, kHoverColour, 1);
    // Its name above the box (below it when the box touches the top).
    const std::string name(hover->english);
    const ImVec2 size = ImGui::CalcTextSize(name.c_str());
    ImVec2 p = at(l, r.x1, r.y1);
    p.y = p.y - size.y - 2 >= float(l.phone.y) ? p.y - size.y - 2 : float(l.phone.y + r.y2 * l.scale) + 2;
    d->AddRectFilled(ImVec2(p.x - 2, p.y), ImVec2(p.x + size.x + 2, p.y + size.y), IM_COL32(0, 0, 0, 200));
    d->AddText(p, kHoverColour, name.c_str());
  }
  if (const editor::Element* e = tool_.picked()) {
    const editor::Rect r = frame(*e, kPickedColour, 2);
    if (e->kind != editor::ElementKind::Label) {
      const int xs[3] = {r.x1, (r.x1 + r.x2) / 2, r.x2}, ys[3] = {r.y1, (r.y1 + r.y2) / 2, r.y2};
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
          if (i == 1 && j == 1) continue;
          const ImVec2 c = at(l, xs[i], ys[j]);
          d->AddRectFilled(ImVec2(c.x - s - 1, c.y - s - 1), ImVec2(c.x + s + 1, c.y + s + 1), kPickedColour);
        }
    }
  }
  if (auto h = tool_.handle_under(m_); h && !ImGui::GetIO().WantCaptureMouse)
    ImGui::SetMouseCursor(cursor_of(*h));
  else if (tool_.dragging() || (hover && !ImGui::GetIO().WantCaptureMouse))
    ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeAll);
}

void ImGuiEditor::header(const EditorLayout& l) {
  if (m_.path().empty())
    ImGui::TextUnformatted("The built-in block (Ctrl+S saves it as the skin's TuneStrip.bcfg)");
  else
    ImGui::TextUnformatted(m_.path().string().c_str());
  if (m_.dirty()) {
    ImGui::SameLine();
    ImGui::TextColored(kDirty, "unsaved changes");
  }
  ImGui::BeginDisabled(!m_.can_undo());
  if (ImGui::Button("Undo")) undo();
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) ImGui::SetTooltip("Ctrl+Z");
  ImGui::SameLine();
  ImGui::BeginDisabled(!m_.can_redo());
  if (ImGui::Button("Redo")) redo();
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) ImGui::SetTooltip("Ctrl+Y");
  ImGui::SameLine();
  if (ImGui::Button("Save")) save_file();
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("Ctrl+S");
  ImGui::SameLine();
  ImGui::Checkbox("Grid", &grid_on_);
  if (grid_on_) {
    ImGui::SameLine();
    ImGui::SetNextItemWidth(90);
    if (ImGui::InputInt("##grid", &grid_)) grid_ = std::clamp(grid_, 2, 64);
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Grid spacing in the phone's pixels; drags snap to it");
  }
  ImGui::SameLine();
  ImGui::Checkbox("Every box", &every_box_);
  if (l.keys_to_editor)
    ImGui::TextColored(kKeysText, "Keys: the editor's (Esc gives them to the phone)");
  else
    ImGui::TextDisabled("Keys: the phone's (click here to type in the fields)");
  if (const editor::Element* e = tool_.picked()) {
    const std::string name(e->english);
    ImGui::TextWrapped("Picked: %s. Drag it%s; arrow keys move it 1 px, with Shift 10; Esc drops it.",
                       name.c_str(), e->kind == editor::ElementKind::Label ? "" : " or its handles");
  } else {
    ImGui::TextDisabled("Click an element of the panel on the phone to pick it.");
  }
  ImGui::Separator();
}

void ImGuiEditor::draw_panel(const EditorLayout& l) {
  ImGui::SetNextWindowPos(ImVec2(float(l.panel.x), float(l.panel.y)));
  ImGui::SetNextWindowSize(ImVec2(float(l.panel.w), float(l.panel.h)));
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoMove |
                                 ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings |
                                 ImGuiWindowFlags_NoBringToFrontOnFocus;
  if (ImGui::Begin("Configuration", nullptr, flags)) {
    header(l);
    if (ImGui::BeginChild("##fields")) {
      // A refused value goes from its field, once the field is back at its value, to the
      // status line.
      if (const std::string refused = fields_.draw(m_); !refused.empty()) {
        log_ << "tunestrip-sim: refused: " << refused << "\n";
        note_("refused: " + refused, true);
      }
    }
    ImGui::EndChild();
  }
  ImGui::End();
  // A frame round whichever side has the keys.
  const SDL_Rect& k = l.keys_to_editor ? l.panel : l.phone;
  ImGui::GetForegroundDrawList()->AddRect(ImVec2(float(k.x) + 1, float(k.y) + 1),
                                          ImVec2(float(k.x + k.w) - 1, float(k.y + k.h) - 1),
                                          kKeysColour, 0, 0, 2);
  questions();
  sync();
}

void ImGuiEditor::questions() {
  const ImVec2 centre = ImGui::GetMainViewport()->GetCenter();
  // One question at a time: a file changed on disk first.
  if (m_.conflict() && !ask_quit_ && !ImGui::IsPopupOpen(kConflictQuestion))
    ImGui::OpenPopup(kConflictQuestion);
  ImGui::SetNextWindowPos(centre, ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  if (ImGui::BeginPopupModal(kConflictQuestion, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
    std::string names;
    if (const bcfg::Image* theirs = m_.theirs()) {
      const auto changed = editor::changed_values(m_.image(), *theirs);
      for (size_t i = 0; i < changed.size() && i < 6; ++i)
        names += (i ? ", " : "") + std::string(changed[i]);
      if (changed.size() > 6) names += ", ...";
    }
    ImGui::Text("%s changed on disk while the editor has unsaved edits.", file_name().c_str());
    ImGui::Text("The two differ in %s.", names.c_str());
    if (ImGui::Button("Keep mine")) {
      m_.keep_mine();
      note_("kept the editor's values; Ctrl+S writes them over the file", false);
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Saving then overwrites the file");
    ImGui::SameLine();
    if (ImGui::Button("Take the file's")) {
      m_.take_theirs();
      fields_.clear_errors();
      note_("took the file's values (Ctrl+Z brings back the editor's)", false);
    }
    // Answered, or the file came back to what the editor last read.
    if (!m_.conflict()) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
  }
  if (ask_quit_ && !m_.conflict() && !ImGui::IsPopupOpen(kQuitQuestion))
    ImGui::OpenPopup(kQuitQuestion);
  ImGui::SetNextWindowPos(centre, ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  if (ImGui::BeginPopupModal(kQuitQuestion, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
    ImGui::Text("%s has unsaved changes. Save them before quitting?", file_name().c_str());
    if (!quit_error_.empty()) ImGui::TextColored(ImVec4(1, 0.45f, 0.4f, 1), "%s", quit_error_.c_str());
    if (ImGui::Button("Save")) {
      if (save_file())
        quit_agreed_ = true;
      else
        quit_error_ = "It could not be saved; see the status line.";
    }
    ImGui::SameLine();
    if (ImGui::Button("Discard")) quit_agreed_ = true;
    ImGui::SameLine();
    if (ImGui::Button("Cancel") || quit_agreed_) ask_quit_ = false;
    if (!ask_quit_) ImGui::CloseCurrentPopup();  // answered, here or by Esc
    ImGui::EndPopup();
  }
}

}  // namespace

std::unique_ptr<Editor> open_editor(Session& session, std::ostream& log, Editor::Note note,
                                    std::string& error) {
  const std::filesystem::path& file = session.skin().config_choice().file;
  try {
    editor::Model model = file.empty() ? editor::Model() : editor::Model(file);
    return std::make_unique<ImGuiEditor>(session, log, std::move(note), std::move(model));
  } catch (const std::exception& e) {
    error = std::string("cannot edit the configuration: ") + e.what();
    return nullptr;
  }
}

}  // namespace sim

#else  // no ImGui

namespace sim {

std::unique_ptr<Editor> open_editor(Session&, std::ostream&, Editor::Note, std::string& error) {
  error = "this build has no editor (" TS_NO_EDITOR_WHY " when it was built)";
  return nullptr;
}

}  // namespace sim

#endif
#endif
