// Keys: the global hot key that shows and hides the panel, and the panel's own keys, which move
// among the buttons, run their actions, step tracks and change the volume.
#include "panel/keys.h"

#include "panel/animation.h"
#include "panel/panel.h"
#include "shell/app.h"
#include "shell/config/config.h"
#include "shell/platform_constants.h"
#include "track/track.h"

int32_t CurrentKey = 1;
uint8_t play = 0;
uint8_t onHidePanel = 1;

namespace {

enum Action { ACTION_NEXT, ACTION_PREV, ACTION_PLAY_PAUSE, ACTION_PLAYER_FRONT, ACTION_HIDE };

void StartHide() {
  NoFullKill = 1;
  HidePanel();
}

}  // namespace

void RunAction(int action) {
  switch (action) {
    case ACTION_NEXT:
      fw_send_ui_event(UI_MEDIAPLAYER_NEXT_TRACK_EVENT);
      break;
    case ACTION_PREV:
      fw_send_ui_event(UI_MEDIAPLAYER_PREV_TRACK_EVENT);
      break;
    case ACTION_PLAY_PAUSE:
      if (play == 1) {
        // Pausing may make the player report that it closed; the panel stays up through that.
        onHidePanel = 0;
        fw_player_play_pause(0);
        play = 0;
      } else {
        fw_player_play_pause(0);
        play = 1;
      }
      break;
    case ACTION_PLAYER_FRONT:
      // Without a running player there is nothing to bring forward.
      if (BOOK* player = FindPlayerBook()) fw_book_bring_to_front(player, 0);
      break;
    case ACTION_HIDE:
      StartHide();
      break;
  }
}

void KeySelected() {
  const int32_t actions[] = {FUNCTION_KEY1, FUNCTION_KEY2, FUNCTION_KEY3, FUNCTION_KEY4,
                             FUNCTION_KEY5};
  if (CurrentKey >= 1 && CurrentKey <= 5) RunAction(actions[CurrentKey - 1]);
}

void TuneStripGuiOnKey(DISP_OBJ* obj, int key, int, int, int mode) {
  if (mode == KBD_SHORT_PRESS) {
    const int32_t count = FUNCTION_KEY_COUNT;
    const bool buttons = FUNCTION_KEY_ENABLED != 0;
    if (key == KEY_RIGHT) {
      if (buttons) {
        if (++CurrentKey > count) CurrentKey = 1;
      } else {
        fw_send_ui_event(UI_MEDIAPLAYER_NEXT_TRACK_EVENT);
      }
    } else if (key == KEY_LEFT) {
      if (buttons) {
        if (--CurrentKey < 1) CurrentKey = count;
      } else {
        fw_send_ui_event(UI_MEDIAPLAYER_PREV_TRACK_EVENT);
      }
    } else if (key == KEY_UP) {
      fw_send_ui_event(VOLUMEUPKEY_SHORT_PRESS_EVENT);
    } else if (key == KEY_DOWN) {
      fw_send_ui_event(VOLUMEDOWNKEY_SHORT_PRESS_EVENT);
    } else if (key == KEY_ENTER) {
      if (buttons)
        KeySelected();
      else
        RunAction(ACTION_PLAY_PAUSE);
    } else if (key == KEY_ESC) {
      StartHide();
    }
  }
  fw_disp_invalidate(obj, 0);
}

int NewKey(int key, int, int mode) {
  if (key != KEYRUN || mode != KEYRUNMODE) return 1;
  if (FindPlayerBook()) {
    if (HideMode == 0)
      StartHide();
    else
      ShowPanel();
  } else if (PanelRun == 1) {
    StartHide();
  }
  return 1;
}

namespace {
// Whether the key hook is installed: a program that ends before installing it (no book at start)
// removes nothing.
bool Hooked = false;
}  // namespace

int SetHook(void*, BOOK*) {
  if (!Hooked) fw_key_hook(NewKey, 1);
  Hooked = true;
  return 1;
}

int UnSetHook(void*, BOOK*) {
  if (Hooked) fw_key_hook(NewKey, 0);
  Hooked = false;
  return 1;
}
