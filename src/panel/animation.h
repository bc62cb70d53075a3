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
