// The configuration editor's model without a window: labels and the item tree, edits against
// `tunestrip-bcfg set`, refusals, undo and gestures, the file and changes made to it from outside,
// and the panel's elements moved and resized as the window drags them.
#include "config/editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/bcfg_labels.h"
#include "config/choices.h"
#include "config/elements.h"
#include "config/tree.h"
#include "test_phone.h"

namespace fs = std::filesystem;
using editor::External;
using editor::Handle;
using editor::Model;
using editor::Rect;

namespace {

// The built-in block after `tunestrip-bcfg set` of these assignments, on a screen large enough
// for every box the editor may move to (it edits what the block holds, past the phone's screen).
bcfg::Image with(const std::vector<std::string>& assignments) {
  bcfg::Image image = bcfg::default_image();
  for (const std::string& a : assignments) bcfg::assign(image, a, {65535, 65535});
  return image;
}

const editor::Element& el(std::string_view name) {
  const editor::Element* e = editor::element(name);
  EXPECT_NE(e, nullptr) << name;
  return *e;
}

size_t count_names(const editor::Node& n) {
  size_t count = !n.name.empty() + !n.name2.empty();
  for (const editor::Node& c : n.children) count += count_names(c);
  return count;
}

TEST(ConfigEditor, EveryItemAndGroupHasAnEnglishLabelAndItsPlaceInTheTree) {
  for (const bcfg::Value& v : bcfg::values()) {
    const editor::Node* n = editor::node(v.name);
    ASSERT_NE(n, nullptr) << v.name;
    EXPECT_FALSE(n->english.empty()) << v.name;
    EXPECT_EQ(n->english, bcfg::english_label(v.name));
    EXPECT_EQ(n->label, std::string_view(v.item->label));
    EXPECT_TRUE(n->name == v.name || n->name2 == v.name) << v.name;
  }
  size_t groups = 0;
  for (size_t i = 0; i < config_catalogue.size(); ++i) {
    const CFG_ITEM& it = config_catalogue[i];
    if (it.type == ITEM_LEVEL && it.field1 == 0) continue;
    groups += it.type == ITEM_LEVEL;
    EXPECT_FALSE(bcfg::english_label(it).empty()) << it.label;
    ASSERT_NE(editor::node_at(int(i)), nullptr) << it.label;
  }
  EXPECT_EQ(groups, 24u);

  // Nested as the block nests them, every value once.
  const editor::Node& root = editor::tree();
  EXPECT_EQ(count_names(root), bcfg::values().size());
  ASSERT_EQ(root.children.size(), 8u);  // the hot key and seven groups
  EXPECT_EQ(root.children[1].english, "Tags");
  EXPECT_EQ(root.children[1].children.size(), 5u);
  auto path = editor::path_to(editor::node("Y_TITLE_POS")->index);
  ASSERT_EQ(path.size(), 4u);
  EXPECT_EQ(path[2]->english, "Title");
  EXPECT_EQ(path[2]->label, "Название");
  EXPECT_EQ(path[3]->kind, editor::Kind::Point);
  EXPECT_EQ(path[3]->name, "X_TITLE_POS");
  EXPECT_EQ(path[3]->name2, "Y_TITLE_POS");
  EXPECT_EQ(bcfg::english_field("Y_TITLE_POS"), "y");
  EXPECT_EQ(bcfg::english_field("KEYRUNMODE"), "press mode");

  const editor::Node* speed = editor::node("HIDE_SPEED");
  EXPECT_EQ(speed->kind, editor::Kind::Integer);
  EXPECT_EQ(speed->min, 1);
  EXPECT_EQ(speed->max, 15);
  const editor::Node* action = editor::node("FUNCTION_KEY2");
  EXPECT_EQ(action->kind, editor::Kind::List);
  EXPECT_EQ(action->max, 4);
  ASSERT_EQ(action->choices.size(), 5u);
  ASSERT_EQ(action->english_choices.size(), 5u);
  EXPECT_EQ(action->choices[0], "След. трэк");
  EXPECT_EQ(action->english_choices[2], "Play/pause");
  EXPECT_EQ(editor::node("KEYRUNMODE")->kind, editor::Kind::Key);
  EXPECT_EQ(editor::node("NO_SUCH"), nullptr);

  // What a font or the hot key can be.
  const auto& fonts = editor::phone_fonts();
  EXPECT_EQ(fonts.size(), 40u + 65u + 65u);
  auto font = [&](int id) {
    auto f = std::find_if(fonts.begin(), fonts.end(), [&](auto& f) { return f.id == id; });
    return f == fonts.end() ? editor::FontChoice{} : *f;
  };
  EXPECT_EQ(font(18).pixel_size, 11);
  EXPECT_TRUE(font(25).bold);
  EXPECT_EQ(font(0x2014).pixel_size, 16);
  EXPECT_TRUE(std::any_of(editor::phone_keys().begin(), editor::phone_keys().end(),
                          [](auto& k) { return k.code == 42 && k.name == "hot"; }));
  EXPECT_EQ(editor::press_modes().size(), 4u);
}

TEST(ConfigEditor, EditsWriteTheBytesOfTunestripBcfgSetAndUndoPutsThemBack) {
  struct Row {
    std::function<editor::Result(Model&)> edit;
    std::vector<std::string> same_as;
  };
  const Row rows[] = {
      {[](Model& m) { return m.set_checkbox("IS_YEAR_EN", true); }, {"IS_YEAR_EN=1"}},
      {[](Model& m) { return m.set_integer("HIDE_SPEED", 5); }, {"HIDE_SPEED=5"}},
      {[](Model& m) { return m.set_list_index("FUNCTION_KEY3", 2); }, {"FUNCTION_KEY3=2"}},
      {[](Model& m) { return m.set_colour("TITLE_NORAMAL_COLOR", 0x80FF0000); },
       {"TITLE_NORAMAL_COLOR=0x80FF0000"}},
      {[](Model& m) { return m.set_rect("rcFON", {0, 240, 220, 320}); }, {"rcFON=0,240,220,320"}},
      {[](Model& m) { return m.set_point("Y_TITLE_POS", {5, -250}); },
       {"X_TITLE_POS=5", "Y_TITLE_POS=-250"}},
      {[](Model& m) { return m.set_font("FONT_ARTIST", 0x2014); }, {"FONT_ARTIST=8212"}},
      {[](Model& m) { return m.set_key({0x3F, 1}); }, {"KEYRUN=63", "KEYRUNMODE=1"}},
      {[](Model& m) { return m.set_text("FUNCTION_KEY1", "Скрыть панель"); },
       {"FUNCTION_KEY1=4"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.same_as[0]);
    Model m;
    editor::Result r = row.edit(m);
    EXPECT_TRUE(r) << r.error;
    EXPECT_TRUE(r.changed);
    const bcfg::Image expected = with(row.same_as);
    EXPECT_TRUE(m.image() == expected);
    EXPECT_TRUE(m.dirty());
    EXPECT_EQ(m.undo_steps(), 1u);
    EXPECT_EQ(m.revision(), 1u);
    ASSERT_TRUE(m.undo());
    EXPECT_TRUE(m.image() == bcfg::default_image());
    EXPECT_FALSE(m.dirty());
    ASSERT_TRUE(m.redo());
    EXPECT_TRUE(m.image() == expected);
    EXPECT_EQ(m.revision(), 3u);
  }

  // The typed getters read what the setters wrote.
  Model m;
  m.set_point("X_TITLE_POS", {5, 250});
  m.set_rect("rcBAR", {2, 134, 315, 318});
  EXPECT_EQ(m.point("Y_TITLE_POS"), (editor::Point{5, 250}));
  EXPECT_EQ(m.rect("rcBAR"), (Rect{2, 134, 315, 318}));
  EXPECT_EQ(m.key(), (editor::Key{42, 0}));
  EXPECT_EQ(m.colour("FON_NORAMAL_COLOR"), 0xA0000000u);
  EXPECT_THROW(m.colour("rcFON"), bcfg::Error);
}

TEST(ConfigEditor, ValuesTheBlockCannotHoldAreRefusedAsTunestripBcfgRefusesThem) {
  struct Row {
    std::function<editor::Result(Model&)> edit;
    std::string name, text;  // what bcfg::set is given for the same value
    std::string message;     // else the message itself
  };
  const Row rows[] = {
      {[](Model& m) { return m.set_integer("HIDE_SPEED", 16); }, "HIDE_SPEED", "16", ""},
      {[](Model& m) { return m.set_integer("FUNCTION_KEY_COUNT", -1); }, "FUNCTION_KEY_COUNT",
       "-1", ""},
      {[](Model& m) { return m.set_list_index("FUNCTION_KEY1", 5); }, "FUNCTION_KEY1", "5", ""},
      {[](Model& m) { return m.set_rect("rcBAR", {-1, 10, 0, 5}); }, "rcBAR", "-1,10,0,5", ""},
      {[](Model& m) { return m.set_rect("rcCover", {0, 70000, 0, 5}); }, "rcCover",
       "0,70000,0,5", ""},
      {[](Model& m) { return m.set_text("rcFON", "1,2,3"); }, "rcFON", "1,2,3", ""},
      {[](Model& m) { return m.set_text("IS_TITLE_EN", "2"); }, "IS_TITLE_EN", "2", ""},
      {[](Model& m) { return m.set_text("NO_SUCH", "1"); }, "NO_SUCH", "1", ""},
      {[](Model& m) { return m.set_colour("rcFON", 0); }, "", "", "'rcFON' is not a colour"},
      {[](Model& m) { return m.set_integer("FONT_TITLE", 3); }, "", "",
       "'FONT_TITLE' is not an integer"},
  };
  for (const Row& row : rows) {
    std::string expected = row.message;
    if (expected.empty()) {
      bcfg::Image copy = bcfg::default_image();
      try {
        bcfg::set(copy, row.name, row.text);
        ADD_FAILURE() << "bcfg::set takes " << row.name << "=" << row.text;
      } catch (const bcfg::Error& e) {
        expected = e.what();
      }
    }
    SCOPED_TRACE(expected);
    Model m;
    editor::Result r = row.edit(m);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, expected);
    EXPECT_FALSE(r.changed);
    EXPECT_TRUE(m.image() == bcfg::default_image());
    EXPECT_EQ(m.undo_steps(), 0u);
    EXPECT_EQ(m.revision(), 0u);
  }
}

TEST(ConfigEditor, UndoRedoAndGestures) {
  Model m;
  ASSERT_TRUE(m.set_integer("HIDE_SPEED", 5).changed);
  editor::Result same = m.set_integer("HIDE_SPEED", 5);  // changes nothing: no step
  EXPECT_TRUE(same);
  EXPECT_FALSE(same.changed);
  EXPECT_EQ(m.undo_steps(), 1u);
  const bcfg::Image first = m.image();

  // A drag of twenty frames, with a nested gesture inside it: one step; the phone hears of
  // every frame.
  const uint64_t before = m.revision();
  m.begin_gesture();
  for (int x = 2; x <= 21; ++x) m.set_point("X_TITLE_POS", {x, 240});
  m.begin_gesture();
  m.set_colour("TITLE_NORAMAL_COLOR", 0xFF00FF00);
  m.end_gesture();
  EXPECT_EQ(m.undo_steps(), 1u);
  EXPECT_TRUE(m.can_undo());
  m.end_gesture();
  EXPECT_EQ(m.revision(), before + 21);
  EXPECT_EQ(m.undo_steps(), 2u);
  const bcfg::Image second = m.image();
  EXPECT_TRUE(second == with({"HIDE_SPEED=5", "X_TITLE_POS=21", "TITLE_NORAMAL_COLOR=0xFF00FF00"}));

  EXPECT_TRUE(m.undo());
  EXPECT_TRUE(m.image() == first);
  EXPECT_TRUE(m.undo());
  EXPECT_TRUE(m.image() == bcfg::default_image());
  EXPECT_FALSE(m.undo());
  EXPECT_TRUE(m.redo());
  EXPECT_TRUE(m.redo());
  EXPECT_TRUE(m.image() == second);
  EXPECT_FALSE(m.redo());

  // A new edit clears what could be redone.
  m.undo();
  m.set_checkbox("IS_YEAR_EN", true);
  EXPECT_FALSE(m.can_redo());
  const bcfg::Image third = m.image();

  // A gesture that ends where it began leaves no step; a cancelled one puts the bytes back;
  // undo in the middle of one ends it first.
  m.begin_gesture();
  m.set_integer("HIDE_SPEED", 9);
  m.set_integer("HIDE_SPEED", 5);
  m.end_gesture();
  m.begin_gesture();
  m.set_integer("HIDE_SPEED", 9);
  m.cancel_gesture();
  EXPECT_FALSE(m.in_gesture());
  EXPECT_TRUE(m.image() == third);
  EXPECT_EQ(m.undo_steps(), 2u);
  m.begin_gesture();
  m.set_integer("HIDE_SPEED", 9);
  EXPECT_TRUE(m.undo());
  EXPECT_FALSE(m.in_gesture());
  EXPECT_TRUE(m.image() == third);
  EXPECT_TRUE(m.can_redo());
}

TEST(ConfigEditor, SavesTheFileAndTakesInChangesMadeFromOutside) {
  ts::TempDir tmp;
  const fs::path f = tmp.path() / "TuneStrip.bcfg";
  EXPECT_THROW(Model{f}, bcfg::Error);  // no file yet
  bcfg::write_default(f);
  Model m(f);
  EXPECT_FALSE(m.dirty());
  m.set_rect("rcFON", {0, 240, 220, 320});
  EXPECT_TRUE(m.dirty());
  ASSERT_TRUE(m.save());
  EXPECT_FALSE(m.dirty());
  EXPECT_EQ(bcfg::get_value(f, "rcFON"), "0,240,220,320");
  EXPECT_EQ(m.external_change().what, External::None);  // its own write

  // Without unsaved edits a change is taken in, as a step that can be undone.
  bcfg::set_values(f, {"HIDE_SPEED=3"});
  EXPECT_EQ(m.external_change().what, External::TakenIn);
  EXPECT_EQ(m.integer("HIDE_SPEED"), 3);
  EXPECT_EQ(m.rect("rcFON"), (Rect{0, 240, 220, 320}));
  EXPECT_FALSE(m.dirty());
  m.undo();
  EXPECT_EQ(m.integer("HIDE_SPEED"), 15);
  EXPECT_TRUE(m.dirty());
  m.redo();

  // With unsaved edits it is a conflict; keeping mine lets save overwrite the file.
  m.set_integer("HIDE_SPEED", 7);
  bcfg::set_values(f, {"IS_YEAR_EN=1"});
  editor::ExternalChange c = m.external_change();
  EXPECT_EQ(c.what, External::Conflict);
  EXPECT_NE(c.message.find(f.string()), std::string::npos);
  ASSERT_TRUE(m.conflict());
  EXPECT_EQ(m.integer("HIDE_SPEED"), 7);
  EXPECT_EQ(editor::changed_values(m.image(), *m.theirs()),
            (std::vector<std::string_view>{"IS_YEAR_EN", "HIDE_SPEED"}));
  m.keep_mine();
  EXPECT_FALSE(m.conflict());
  EXPECT_TRUE(m.dirty());
  ASSERT_TRUE(m.save());
  EXPECT_EQ(bcfg::get_value(f, "IS_YEAR_EN"), "0");
  EXPECT_EQ(bcfg::get_value(f, "HIDE_SPEED"), "7");

  // Taking theirs replaces mine as one step, which undo gives back.
  m.set_integer("HIDE_SPEED", 8);
  bcfg::set_values(f, {"HIDE_SPEED=2"});
  EXPECT_EQ(m.external_change().what, External::Conflict);
  EXPECT_TRUE(m.take_theirs().changed);
  EXPECT_EQ(m.integer("HIDE_SPEED"), 2);
  EXPECT_FALSE(m.dirty());
  m.undo();
  EXPECT_EQ(m.integer("HIDE_SPEED"), 8);

  // A file that is not a configuration changes nothing; reload takes the file whole.
  const bcfg::Image mine = m.image();
  ts::write_file(f, "short");
  c = m.external_change();
  EXPECT_EQ(c.what, External::Unreadable);
  EXPECT_NE(c.message.find(f.string()), std::string::npos);
  EXPECT_TRUE(m.image() == mine);
  EXPECT_FALSE(m.reload());
  bcfg::write_default(f);
  EXPECT_TRUE(m.reload().changed);
  EXPECT_TRUE(m.image() == bcfg::default_image());
  EXPECT_FALSE(m.dirty());
  m.undo();
  EXPECT_TRUE(m.image() == mine);

  // A new configuration has no file until saved under a name; a failed write names the file.
  Model fresh;
  EXPECT_FALSE(fresh.save());
  EXPECT_FALSE(fresh.save_as(tmp.path()));
  ASSERT_TRUE(fresh.save_as(tmp.path() / "new.bcfg"));
  EXPECT_TRUE(bcfg::read_file(tmp.path() / "new.bcfg") == bcfg::default_image());
  EXPECT_EQ(fresh.path(), tmp.path() / "new.bcfg");
}

TEST(ConfigEditor, PanelElementsArePlacedMovedAndResizedOnTheScreen) {
  ASSERT_EQ(editor::elements().size(), 20u);
  Model m;
  const editor::Element& title = el("TITLE");
  EXPECT_EQ(title.english, "Title");
  EXPECT_EQ(editor::node_at(title.group)->english, "Title");
  EXPECT_EQ(editor::node_at(el("rcFON").group)->english, "Background");
  EXPECT_EQ(editor::node_at(el("FUNCTION_KEY_RECT3").group)->english, "Button 3");

  // Where each is drawn, with the panel slid 5 pixels up, and whether it is drawn.
  editor::Placement p = editor::place(m, title, -5);
  EXPECT_TRUE(p.shown);
  EXPECT_EQ(p.box, (Rect{1, 1, 235, 235}));
  EXPECT_EQ(p.font, 25);
  EXPECT_EQ(editor::place(m, el("rcCover"), 10).box, (Rect{171, 231, 251, 311}));
  EXPECT_EQ(editor::place(m, el("YEAR")).hidden_why, "IS_YEAR_EN is off");
  EXPECT_EQ(editor::place(m, el("rcBAR")).hidden_why, "IS_PROGBAR_EN is off");
  m.set_integer("FUNCTION_KEY_COUNT", 2);
  EXPECT_TRUE(editor::place(m, el("FUNCTION_KEY_RECT2")).shown);
  EXPECT_EQ(editor::place(m, el("FUNCTION_KEY_RECT3")).hidden_why, "FUNCTION_KEY_COUNT is 2");

  // A drag of the title by 10 pixels, frame by frame while the panel is slid: one step.
  Model d;
  const int offset = -20;
  d.begin_gesture();
  const Rect start = editor::place(d, title, offset).box;
  for (int step = 1; step <= 10; ++step)
    ASSERT_TRUE(editor::move_to(d, title, start.x1 + step, start.y1 + step, offset));
  d.end_gesture();
  EXPECT_TRUE(d.image() == with({"X_TITLE_POS=11", "Y_TITLE_POS=250"}));
  EXPECT_EQ(d.undo_steps(), 1u);

  // Nudges keep a box's size and stop at what the block holds; a drag snaps to the grid.
  struct Move {
    const char* element;
    std::function<editor::Result(Model&, const editor::Element&)> move;
    std::vector<std::string> same_as;
  };
  const Move moves[] = {
      {"rcCover", [](Model& m, auto& e) { return editor::move_by(m, e, 10, -1); },
       {"rcCover=181,241,240,300"}},
      {"rcCover", [](Model& m, auto& e) { return editor::move_by(m, e, -1000, 0); },
       {"rcCover=0,60,241,301"}},
      {"rcFON", [](Model& m, auto& e) { return editor::move_by(m, e, 0, 70000); },
       {"rcFON=0,240,65455,65535"}},
      {"ARTIST", [](Model& m, auto& e) { return editor::move_by(m, e, -10, 0); },
       {"X_ARTIST_POS=-9"}},
      {"TITLE", [](Model& m, auto& e) { return editor::move_to(m, e, 13, 247, 0, 5); },
       {"X_TITLE_POS=15", "Y_TITLE_POS=245"}},
  };
  for (const Move& mv : moves) {
    SCOPED_TRACE(mv.same_as[0]);
    Model e;
    ASSERT_TRUE(mv.move(e, el(mv.element)));
    EXPECT_TRUE(e.image() == with(mv.same_as));
  }

  // Resizing by a handle, with the offset and the grid; an edge stops at the opposite one.
  struct Resize {
    const char* element;
    Handle handle;
    int x, y, offset, grid;
    Rect after;
  };
  const Resize resizes[] = {
      {"rcCover", Handle::BottomRight, 240, 310, 0, 0, {171, 240, 241, 310}},
      {"rcCover", Handle::TopLeft, 100, 200, 0, 0, {100, 231, 200, 301}},
      {"rcCover", Handle::Top, 0, 250, 20, 0, {171, 231, 230, 301}},
      {"rcCover", Handle::Left, 300, 0, 0, 0, {231, 231, 241, 301}},
      {"rcCover", Handle::BottomLeft, -7, 400, 0, 0, {0, 231, 241, 400}},
      {"rcBAR", Handle::BottomRight, 134, 318, 0, 0, {0, 134, 0, 318}},
      {"FUNCTION_KEY_RECT1", Handle::Right, 163, 0, 0, 10, {138, 160, 300, 320}},
      {"FUNCTION_KEY_RECT1", Handle::Bottom, 0, 333, -10, 4, {138, 158, 300, 344}},
  };
  for (const Resize& r : resizes) {
    SCOPED_TRACE(std::string(r.element) + " " + std::to_string(int(r.handle)));
    Model e;
    ASSERT_TRUE(editor::resize(e, el(r.element), r.handle, r.x, r.y, r.offset, r.grid));
    EXPECT_EQ(e.rect(r.element), r.after);
    EXPECT_EQ(e.undo_steps(), 1u);
  }
  Model e;
  editor::Result r = editor::resize(e, title, Handle::Right, 100, 100);
  EXPECT_FALSE(r);
  EXPECT_TRUE(e.image() == bcfg::default_image());

  // Which grip of a box lies under the mouse.
  const Rect box{10, 50, 20, 40};
  struct Hit {
    int x, y;
    std::optional<Handle> handle;
  };
  const Hit hits[] = {{10, 20, Handle::TopLeft}, {30, 40, Handle::Bottom},
                      {52, 30, Handle::Right},   {49, 41, Handle::BottomRight},
                      {30, 30, std::nullopt},    {100, 100, std::nullopt}};
  for (const Hit& h : hits)
    EXPECT_EQ(editor::handle_at(box, h.x, h.y), h.handle) << h.x << "," << h.y;
}

}  // namespace
