// Whole runs of the panel: the slide in and out at each speed, and a hot key that turns it back.
#include "panel_fixture.h"

namespace panel_scenario {
namespace {

// ---- The slide -----------------------------------------------------------------------------

TEST_F(PanelScenario, SlidesInAtSpeed15AndOutAgain) {
  Start();
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  std::vector<int> in = {65, 50, 35, 20, 5, -10};
  for (int o : Range(-9, -1)) in.push_back(o);
  std::vector<int> offsets = Offsets();
  ASSERT_GE(offsets.size(), in.size() + 1);
  EXPECT_EQ(std::vector<int>(offsets.begin(), offsets.begin() + long(in.size())), in);
  // The 16th step stops the timer; every later frame (the play-time ticks) stays at -1.
  for (size_t i = in.size(); i < offsets.size(); ++i) EXPECT_EQ(offsets[i], -1);
  EXPECT_EQ(Trace("fw_timer_kill(").size(), 1u);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 1u);
  size_t timer_sets = Trace("fw_timer_set(").size();
  Run(1000);
  EXPECT_EQ(Trace("fw_timer_set(").size(), timer_sets);

  ClearTrace();
  Press(kHotKey);
  Run(1000);
  EXPECT_EQ(Offsets(), (std::vector<int>{14, 29, 44, 59, 74, 89, 80}));
  EXPECT_FALSE(PanelShown());
  // The GUI object and the book go only after the last frame has been drawn, in this order.
  long last_draw = std::max({FindLast("fw_draw_image("), FindLast("fw_draw_text("),
                             FindLast("fw_draw_rect(")});
  long gui_free = Find("fw_gui_free(");
  long book_free = Find("fw_book_free(");
  long create = Find("fw_create_book(");
  ASSERT_GE(gui_free, 0);
  EXPECT_LT(last_draw, gui_free);
  EXPECT_LT(gui_free, book_free);
  EXPECT_LT(book_free, create);
  EXPECT_LT(Find("fw_gc_set_flag("), gui_free) << "the redraw restores its context first";
  // A fresh book runs on; the program did not end.
  EXPECT_NE(t_->addon_book(), nullptr);
  EXPECT_EQ(Trace("fw_create_book(").size(), 1u);
  EXPECT_EQ(phone().loader().loaded(), 1u);
  EXPECT_EQ(phone().keys().hooks(), 1u);

  // The next show starts from below the screen again.
  ClearTrace();
  Press(kHotKey);
  Run(2000);
  ASSERT_FALSE(Offsets().empty());
  EXPECT_EQ(Offsets().front(), 65);
}

TEST_F(PanelScenario, SpeedOneEndsAtMinusOneStraightFromZero) {
  Start({"HIDE_SPEED=1"});
  ClearTrace();
  Press(kHotKey);
  Run(8000);
  std::vector<int> expected;
  for (int o = 79; o >= -1; --o) expected.push_back(o);
  std::vector<int> offsets = Offsets();
  ASSERT_GE(offsets.size(), expected.size());
  EXPECT_EQ(std::vector<int>(offsets.begin(), offsets.begin() + long(expected.size())), expected);
  for (int o : offsets) EXPECT_GE(o, -1);
}

TEST_F(PanelScenario, SpeedOutsideItsRangeIsHeldToIt) {
  // 0 would never move the panel; 1000 would jump past the screen: both end their slides.
  for (int speed : {0, 1000}) {
    SCOPED_TRACE(speed);
    Start({}, {10}, true, {}, speed);
    ClearTrace();
    Press(kHotKey);
    Run(speed == 1000 ? 2000 : 8000);
    std::vector<int> offsets = Offsets();
    ASSERT_FALSE(offsets.empty());
    EXPECT_EQ(offsets.front(), speed == 1000 ? 65 : 79);
    EXPECT_EQ(offsets.back(), -1);
    EXPECT_EQ(Trace("fw_timer_kill(").size(), 1u);
    ClearTrace();
    Press(kHotKey);
    Run(speed == 1000 ? 1000 : 8000);
    EXPECT_FALSE(PanelShown());
    EXPECT_EQ(Offsets().back(), 80);
    TerminateAndCheck();
  }
}

TEST_F(PanelScenario, HotKeyDuringASlideTurnsItBack) {
  Start();
  ClearTrace();
  Press(kHotKey);
  std::vector<int> before = Offsets();
  ASSERT_GE(before.size(), 2u);
  ASSERT_GT(before.back(), 0);
  Press(kHotKey);
  Run(1500);
  std::vector<int> all = Offsets();
  // From where it was, the offset rises again by 15 a step until the panel has left the screen.
  int at = before.back();
  std::vector<int> rest(all.begin() + long(before.size()), all.end());
  ASSERT_FALSE(rest.empty());
  std::vector<int> expected;
  for (int o = at + 15; o <= 80 + 15 && o - 15 <= 80; o += 15) expected.push_back(o);
  expected.push_back(80);
  EXPECT_EQ(rest, expected);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 1u);
  EXPECT_FALSE(PanelShown());

  // A hide turned back into a show: the panel is created no second time, and the book stays.
  ShowAndSettle();
  ClearTrace();
  BOOK* book = t_->addon_book();
  Press(kHotKey);
  ASSERT_GT(Offsets().back(), 0);
  Press(kHotKey);
  Run(2000);
  EXPECT_EQ(Trace("fw_gui_create(").size(), 0u);
  EXPECT_EQ(Trace("fw_book_free(").size(), 0u);
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(Offsets().back(), -1);
  EXPECT_EQ(t_->addon_book(), book);
  // The hide that was turned back recycles nothing: a request to end ends the program.
  t_->terminate();
  EXPECT_EQ(t_->addon_book(), nullptr);
  ExpectAllReleased();
}

}  // namespace
}  // namespace panel_scenario
