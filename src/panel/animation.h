// Sliding the panel in and out.
#pragma once

#include <cstdint>

extern int32_t OffsetCoord;   // how far below its configured place the panel is drawn
extern uint8_t HideMode;      // 1: hidden or sliding down; 0: shown or sliding up
extern uint8_t HideTimerRun;  // the timer-driven slide runs
extern uint16_t HideTimer;

void ShowPanel();
void HidePanel();
void onHideTimer(uint16_t timer, void* data);
void onTimer();
// One step of the slide, run at the start of every redraw.
void AnimationStep();
// A hide that the step found finished ends here: the redraw calls it after its last drawing, so
// the GUI object and the book go only once nothing of that redraw needs them.
void EndFinishedHide();
// Stops the slide's timer cycle (the panel closes or the program ends).
void StopHideTimer();
