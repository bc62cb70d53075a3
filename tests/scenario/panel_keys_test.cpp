// Whole runs of the panel: the panel's keys: the selection, the buttons' actions, hiding.
#include "panel_fixture.h"

namespace panel_scenario {
namespace {

// ---- Keys -----------------------------------------------------------------------------------

TEST_F(PanelScenario, SelectionWrapsBothWaysAndOnlyShortPressesAct) {
  Start();
  ShowAndSettle();
  EXPECT_EQ(SelectedX(), 138);
  Press(codes::KEY_LEFT);  // from button 1 to button 5
  EXPECT_EQ(SelectedX(), 218);
  Press(codes::KEY_RIGHT);  // from button 5 to button 1
  EXPECT_EQ(SelectedX(), 138);
  // A long press changes nothing but is redrawn three times (down, long, up).
  uint64_t redraws = phone().gui().redraws();
  phone().keys().press(codes::KEY_RIGHT, true);
  phone().queue().settle();
  EXPECT_EQ(SelectedX(), 138);
  EXPECT_EQ(phone().gui().redraws(), redraws + 3);
  // Volume keys reach the player.
  int volume = phone().player().now_playing().volume;
  Press(codes::KEY_UP);
  EXPECT_EQ(phone().player().now_playing().volume, volume + 1);
  Press(codes::KEY_DOWN);
  EXPECT_EQ(phone().player().now_playing().volume, volume);
  // Button 1 runs "next track".
  Press(codes::KEY_ENTER);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 1);
}

TEST_F(PanelScenario, EachButtonRunsTheActionItIsGiven) {
  Start({"FUNCTION_KEY1=0", "FUNCTION_KEY2=1", "FUNCTION_KEY3=2", "FUNCTION_KEY4=3",
         "FUNCTION_KEY5=4"});
  ShowAndSettle();
  Press(codes::KEY_ENTER);  // 1: next track
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 1);
  Press(codes::KEY_RIGHT);  // 2: previous track
  Press(codes::KEY_ENTER);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 0);
  Press(codes::KEY_RIGHT);  // 3: pause
  Press(codes::KEY_ENTER);
  EXPECT_FALSE(phone().player().playing());
  Press(codes::KEY_RIGHT);  // 4: the player forward
  Press(codes::KEY_ENTER);
  EXPECT_EQ(Trace("fw_book_bring_to_front(").size(), 1u);
  Press(codes::KEY_RIGHT);  // 5: hide
  Press(codes::KEY_ENTER);
  Run(1000);
  EXPECT_FALSE(PanelShown());
}

TEST_F(PanelScenario, WithButtonsOffEnterPlaysAndPausesAndArrowsStepTracks) {
  Start({"FUNCTION_KEY_ENABLED=0"});
  ShowAndSettle();
  Press(codes::KEY_ENTER);
  EXPECT_FALSE(phone().player().playing());
  Press(codes::KEY_ENTER);
  EXPECT_TRUE(phone().player().playing());
  EXPECT_EQ(Trace("fw_player_play_pause(0)").size(), 2u);
  Press(codes::KEY_RIGHT);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 1);
  Press(codes::KEY_LEFT);
  Run(10);
  EXPECT_EQ(phone().player().now_playing().index, 0);
}

TEST_F(PanelScenario, EscapeHidesThePanelAndRecyclesTheBook) {
  Start();
  ShowAndSettle();
  ClearTrace();
  Press(codes::KEY_ESC);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Offsets().back(), 80);
  // The old book is freed and a fresh one made (the allocator may hand it the same address).
  EXPECT_EQ(Trace("fw_book_free(").size(), 1u);
  EXPECT_EQ(Trace("fw_create_book(").size(), 1u);
  EXPECT_NE(t_->addon_book(), nullptr);
  EXPECT_EQ(phone().loader().loaded(), 1u);
}

TEST_F(PanelScenario, HotKeyWithoutThePlayerShowsNothing) {
  Start({}, {10}, false);
  Press(kHotKey);
  Run(1000);
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(Trace("fw_gui_create(").size(), 0u);
  EXPECT_EQ(Trace("fw_run_in_ui_task(").size(), 0u);
}

TEST_F(PanelScenario, RefusedCreationStartsNoSlideAndTheNextHotKeyTriesAgain) {
  // The phone refuses the panel's window, or has no memory for it at all.
  for (bool no_memory : {false, true}) {
    SCOPED_TRACE(no_memory ? "no memory" : "window refused");
    Start();
    auto create = phone().services().entry<host::service::fw_gui_create>();
    auto malloc = phone().services().entry<host::service::fw_malloc>();
    if (no_memory)
      phone().services().replace<host::service::fw_malloc>(+[](int) -> void* { return nullptr; });
    else
      phone().services().replace<host::service::fw_gui_create>(
          +[](GUI*, DispDescProc, DispDescProc, BOOK*, int, int, int) -> GUI* { return nullptr; });
    size_t images = phone().images().live();
    size_t allocations = phone().memory().live_blocks();
    Press(kHotKey);
    Run(500);
    EXPECT_FALSE(PanelShown());
    EXPECT_EQ(Trace("fw_run_in_ui_task(").size(), 0u);
    EXPECT_EQ(Trace("fw_timer_set(").size(), 0u);
    // Neither the storage nor the snapshot of the refused creation stays.
    EXPECT_EQ(phone().images().live(), images);
    EXPECT_EQ(phone().memory().live_blocks(), allocations);
    phone().services().replace<host::service::fw_gui_create>(create);
    phone().services().replace<host::service::fw_malloc>(malloc);
    ClearTrace();
    Press(kHotKey);
    Run(2000);
    EXPECT_TRUE(PanelShown());
    EXPECT_EQ(Offsets().back(), -1);
  }
}

TEST_F(PanelScenario, BringingThePlayerForwardNeedsAPlayer) {
  Start({"FUNCTION_KEY1=3", "FUNCTION_KEY2=2"});
  ShowAndSettle();
  Press(codes::KEY_ENTER);
  EXPECT_EQ(Trace("fw_book_bring_to_front(").size(), 1u);
  EXPECT_EQ(phone().books().front(), phone().player().book());
  EXPECT_TRUE(PanelShown());
  // Pause from the panel, so that the player's closing leaves the panel up.
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_ENTER);
  phone().player().close();
  Run(500);
  ASSERT_TRUE(PanelShown());
  Press(codes::KEY_LEFT);
  Press(codes::KEY_ENTER);
  EXPECT_EQ(Trace("fw_book_bring_to_front(").size(), 1u);
}

}  // namespace
}  // namespace panel_scenario
