// The panel's pieces on a phone, without a loaded module: the slide's flags and steps, the
// progress bar's arithmetic and the snapshot's header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "addon_state.h"
#include "core/service_table.h"
#include "core/trace.h"
#include "panel/animation.h"
#include "panel/panel.h"
#include "panel/render.h"
#include "phone/phone.h"
#include "shell/app.h"
#include "shell/config/config.h"

namespace {

class PanelPieces : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAddOnGlobals();
    phone_ = std::make_unique<host::Phone>(host::Options{});
    fw_services = phone_->services().table();
    phone_->trace().capture(true);
    scr_w = 240;
    scr_h = 320;
    OffsetCoord = 80;
  }
  void TearDown() override {
    delete[] hdr;
    phone_.reset();
  }

  size_t Count(const std::string& prefix) const {
    const auto& lines = phone_->trace().lines();
    return size_t(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : phone_->trace().lines())
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  std::unique_ptr<host::Phone> phone_;
};

TEST_F(PanelPieces, ShowThatTurnsBackAHideLetsTheNextCloseEndTheProgram) {
  // A panel sliding out, its timer cycle running, started by a hide that asked for a recycle.
  PanelRun = 1;
  HideTimerRun = 1;
  HideMode = 1;
  NoFullKill = 1;
  ShowPanel();
  EXPECT_EQ(HideMode, 0);
  EXPECT_EQ(NoFullKill, 0);
  // The running cycle carries on: no second one, no second panel.
  EXPECT_EQ(Count("fw_run_in_ui_task("), 0u);
  EXPECT_EQ(Count("fw_gui_create("), 0u);
}

TEST_F(PanelPieces, HideWithoutAPanelStartsNothingAndRecyclesNothing) {
  HideMode = 0;
  NoFullKill = 1;
  HidePanel();
  EXPECT_EQ(HideMode, 1);
  EXPECT_EQ(NoFullKill, 0);
  EXPECT_EQ(Count("fw_run_in_ui_task("), 0u);
}

TEST_F(PanelPieces, TimerCallbackAfterThePanelClosedEndsTheCycle) {
  HideTimerRun = 1;
  onHideTimer(0, nullptr);
  EXPECT_EQ(HideTimerRun, 0);
  EXPECT_EQ(Count("fw_disp_invalidate("), 0u);
  EXPECT_EQ(Count("fw_timer_set("), 0u);
  onTimer();
  EXPECT_EQ(Count("fw_disp_invalidate("), 0u);
}

TEST_F(PanelPieces, SlideSpeedIsHeldBetweenOneAndFifteen) {
  HideMode = 0;
  for (int32_t speed : {0, -7, INT32_MIN}) {
    config_block.HIDE_SPEED = speed;
    OffsetCoord = 80;
    AnimationStep();
    EXPECT_EQ(OffsetCoord, 79) << speed;
  }
  for (int32_t speed : {16, 1000, INT32_MAX}) {
    config_block.HIDE_SPEED = speed;
    OffsetCoord = 80;
    AnimationStep();
    EXPECT_EQ(OffsetCoord, 65) << speed;
  }
  // Sliding out from the resting place with an absurd speed still stops at the hidden offset.
  config_block.HIDE_SPEED = INT32_MAX;
  HideMode = 1;
  OffsetCoord = -1;
  AnimationStep();
  EXPECT_EQ(OffsetCoord, 14);
  OffsetCoord = 81;
  AnimationStep();
  EXPECT_EQ(OffsetCoord, 80);
  EndFinishedHide();  // no book to recycle here
}

TEST_F(PanelPieces, ProgressBarKeepsItsElapsedPartInsideTheBar) {
  const RECT bar = {10, 110, 5, 15};
  auto end_of = [&](int32_t position, int32_t total) {
    phone_->trace().clear();
    DrawProgressBar(1, 2, bar, position, total, -1);
    auto rects = Lines("fw_draw_rect(");
    EXPECT_EQ(rects.at(0), "fw_draw_rect(10, 4, 110, 14, 1, 1)");
    if (rects.size() < 2) return std::string("none");
    return rects[1];
  };
  EXPECT_EQ(end_of(30, 120), "fw_draw_rect(10, 4, 35, 14, 2, 2)");
  EXPECT_EQ(end_of(1, 3), "fw_draw_rect(10, 4, 43, 14, 2, 2)");
  EXPECT_EQ(end_of(0, 120), "fw_draw_rect(10, 4, 10, 14, 2, 2)");
  EXPECT_EQ(end_of(120, 120), "fw_draw_rect(10, 4, 110, 14, 2, 2)");
  // Past the end, before the start, without a length.
  EXPECT_EQ(end_of(500, 120), "fw_draw_rect(10, 4, 110, 14, 2, 2)");
  EXPECT_EQ(end_of(-30, 120), "fw_draw_rect(10, 4, 10, 14, 2, 2)");
  EXPECT_EQ(end_of(30, 0), "none");
  EXPECT_EQ(end_of(30, -5), "none");
}

TEST_F(PanelPieces, HeaderForAFullScreenSnapshot) {
  CreateHeader(240, 320);
  ASSERT_NE(hdr, nullptr);
  const uint8_t expected[54] = {
      'B', 'M', 0x36, 0x84, 0x03, 0x00, 0, 0, 0, 0, 54, 0, 0, 0,  // file size 230454, offset 54
      40, 0, 0, 0, 0xF0, 0, 0, 0, 0x40, 0x01, 0, 0,              // 40, 240, 320
      1, 0, 24, 0, 0, 0, 0, 0, 0x00, 0x84, 0x03, 0x00,           // planes, 24 bits, data 230400
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(hdr, hdr + 54, expected));
  // A width whose rows need filler: each row of 3 x 3 bytes takes 12.
  CreateHeader(3, 2);
  ASSERT_NE(hdr, nullptr);
  EXPECT_EQ(hdr[2], 54 + 24);
  EXPECT_EQ(hdr[34], 24);
  EXPECT_EQ(hdr[18], 3);
  CreateHeader(0, 320);
  EXPECT_EQ(hdr, nullptr);
}

}  // namespace
