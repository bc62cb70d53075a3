// Whole runs of the panel: the player closing under the panel, and the add-on ending from every state.
#include "panel_fixture.h"

namespace panel_scenario {
namespace {

// ---- The player closing ----------------------------------------------------------------------

TEST_F(PanelScenario, PlayerClosingHidesThePanelUnlessItWasPausedFromThePanel) {
  Start();
  ShowAndSettle();
  phone().player().close();
  Run(1500);
  EXPECT_FALSE(PanelShown());
  EXPECT_NE(t_->addon_book(), nullptr);
  TerminateAndCheck();

  Start({"IS_PROGBAR_EN=1", "rcBAR=10,110,230,240", "FUNCTION_KEY3=2"});
  ShowAndSettle();
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_ENTER);  // pause
  phone().player().close();
  Run(1500);
  EXPECT_TRUE(PanelShown());
  // With no player the bar has no elapsed part.
  ClearTrace();
  Press(codes::KEY_RIGHT);
  auto rects = Only(LastFrame(), "fw_draw_rect(10, ");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0], "fw_draw_rect(10, 229, 110, 239, 4294967295, 4294967295)");
  // The hot key still hides the panel without a player.
  Press(kHotKey);
  Run(1500);
  EXPECT_FALSE(PanelShown());
  // The next closed notice of a fresh player hides as usual again (nothing to hide here).
}

// ---- Leaving from every state ----------------------------------------------------------------

TEST_F(PanelScenario, FullExitFromEveryStateReleasesEverything) {
  enum State { Hidden, SlidingIn, Shown, SlidingOut };
  for (State st : {Hidden, SlidingIn, Shown, SlidingOut}) {
    for (bool system_exit : {false, true}) {
      SCOPED_TRACE(std::to_string(int(st)) + (system_exit ? " system exit" : " terminate"));
      Start();
      if (st != Hidden) Press(kHotKey);
      if (st == Shown || st == SlidingOut) Run(2000);
      if (st == SlidingOut) Press(kHotKey);
      if (system_exit)
        t_->system_exit();
      else
        t_->terminate();
      Run(1000);
      EXPECT_EQ(t_->addon_book(), nullptr);
      EXPECT_EQ(phone().loader().unloaded(), 1u);
      ExpectAllReleased();
      t_.reset();
    }
  }
}

}  // namespace
}  // namespace panel_scenario
