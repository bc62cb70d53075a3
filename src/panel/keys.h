// The hot key, the panel's keys and the button actions.
#pragma once

#include "platform/fw.h"

extern int32_t CurrentKey;    // the selected button, from 1
extern uint8_t play;          // the player is taken to be playing
extern uint8_t onHidePanel;   // the player's closed notice hides the panel

int NewKey(int key, int r1, int mode);
int SetHook(void* data, BOOK* book);
int UnSetHook(void* data, BOOK* book);
void TuneStripGuiOnKey(DISP_OBJ* obj, int key, int a, int b, int mode);
void KeySelected();
void RunAction(int action);
