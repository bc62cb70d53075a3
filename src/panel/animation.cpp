// The panel's slide in from the bottom edge and out again.
//
// ShowPanel and HidePanel only set the direction and start a cycle of redraw requests every 80 ms;
// each redraw, whatever asked for it, first moves the slide one step. A finished hide takes the
// GUI object and the book down at the end of the redraw that found it finished.
#include "panel/animation.h"

#include "panel/panel.h"
#include "shell/app.h"
#include "shell/config/config.h"

int32_t OffsetCoord = 0;
uint8_t HideMode = 1;
uint8_t HideTimerRun = 0;
uint16_t HideTimer = 0;

namespace {

constexpr int kSlideTimerMs = 80;
constexpr int32_t kMinSpeed = 1;
constexpr int32_t kMaxSpeed = 15;

// Set by the step that finds a hide finished; the end of that redraw tears the panel down.
uint8_t HideFinished = 0;

// The slide's pixels per step, held to the range the editor offers so that a slide always ends.
int32_t SlideSpeed() {
  int32_t s = HIDE_SPEED;
  if (s < kMinSpeed) return kMinSpeed;
  if (s > kMaxSpeed) return kMaxSpeed;
  return s;
}

// The offset at which the top of the panel lies on the bottom edge of the screen.
int32_t HiddenOffset() { return scr_h - int32_t(rcFON.y1); }

GUI* PanelGui() { return (PanelRun && TuneStrip) ? TuneStrip->gui : nullptr; }

}  // namespace

void StopHideTimer() {
  if (!HideTimerRun) return;
  HideTimerRun = 0;
  fw_timer_kill(&HideTimer);
}

void ShowPanel() {
  HideMode = 0;
  if (PanelRun) {
    // The panel is up or sliding out: it turns back. A hide that will not finish recycles no
    // book, so the next close of the book is the program's end again.
    NoFullKill = 0;
  } else if (!TuneStrip || !CreateTuneStripGUI(TuneStrip)) {
    // No panel to slide: stay hidden, and the next hot key tries again.
    HideMode = 1;
    return;
  }
  if (!HideTimerRun) fw_run_in_ui_task(onHideTimer);
}

void HidePanel() {
  HideMode = 1;
  if (!PanelRun) {
    // Nothing to slide out, so no book will be recycled.
    NoFullKill = 0;
    return;
  }
  if (!HideTimerRun) fw_run_in_ui_task(onHideTimer);
}

void onHideTimer(uint16_t, void*) {
  GUI* gui = PanelGui();
  if (!gui) {
    // The panel closed before this call came: the cycle ends here.
    HideTimerRun = 0;
    return;
  }
  HideTimerRun = 1;
  fw_disp_invalidate(fw_gui_get_disp_obj(gui), 0);
  fw_timer_set(&HideTimer, kSlideTimerMs, onHideTimer, nullptr);
}

void onTimer() {
  if (GUI* gui = PanelGui()) fw_disp_invalidate(fw_gui_get_disp_obj(gui), 0);
}

void AnimationStep() {
  const int32_t hidden = HiddenOffset();
  const int32_t speed = SlideSpeed();
  if (HideMode) {
    if (OffsetCoord <= hidden) {
      OffsetCoord += speed;
    } else {
      OffsetCoord = hidden;
      StopHideTimer();
      HideFinished = 1;
    }
  } else {
    if (OffsetCoord >= 0) {
      OffsetCoord -= speed;
    } else if (OffsetCoord < -1) {
      OffsetCoord += 1;
    } else {
      // Shown. The timer is stopped only while it runs: a stale id may name another timer by now.
      StopHideTimer();
    }
  }
}

void EndFinishedHide() {
  if (!HideFinished) return;
  HideFinished = 0;
  MyBOOK* book = TuneStrip;
  if (!book) return;
  if (GUI* gui = book->gui) {
    book->gui = nullptr;
    fw_gui_free(gui);
  }
  // Whoever started the hide asked for a recycle; the book's close must not end the program.
  NoFullKill = 1;
  fw_book_free(book);
  CreateMYBook();
  if (!TuneStrip) {
    // No memory for the new book: without one the program cannot be reached any more, so it ends.
    ReleaseAll();
    fw_run_deferred(elf_exit);
  }
}
