// Weak stand-ins for the track monitor and the panel while they are being built; their own
// definitions replace these at link time. This file goes once both are complete.
#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "track/track.h"

#define WEAK __attribute__((weak))

WEAK TRACK_DESC* currenttrack = nullptr;
WEAK void TrackDesc_Free(TRACK_DESC*) {}
WEAK void ReInit() {}
WEAK int UpdateMP3Info(void*, BOOK*) { return 1; }
WEAK int PlayerClose(void*, BOOK*) { return 1; }
WEAK int CABook_onPlayTimer(void*, BOOK*) { return 0; }
WEAK TEXTID TextID[LABEL_COUNT];
WEAK char16_t* buff[4];
WEAK void ReleaseLabel(int) {}
WEAK void UpdateLabel() {}
WEAK uint8_t PanelRun = 0;
WEAK uint8_t* hdr = nullptr;
WEAK void CreateHeader(int, int) {}
WEAK int32_t OffsetCoord = 0;
WEAK int SetHook(void*, BOOK*) { return 1; }
WEAK int UnSetHook(void*, BOOK*) { return 1; }
WEAK void TuneStripGuiOnRedraw(DISP_OBJ*, int, int, int) {}
WEAK void TuneStripGuiOnKey(DISP_OBJ*, int, int, int, int) {}
WEAK void ShowPanel() {}
WEAK void HidePanel() {}
WEAK void onHideTimer(uint16_t, void*) {}
WEAK void onTimer() {}
WEAK void AnimationStep() {}
WEAK int NewKey(int, int, int) { return 1; }
WEAK void KeySelected() {}
WEAK void RunAction(int) {}
WEAK GUI* CreateTuneStripGUI(MyBOOK*) { return nullptr; }
WEAK void GetImageBuffer() {}
WEAK void UpdatePlayTimeLabels() {}
WEAK void BuildTrackNumberLabel() {}
WEAK void ReleaseTrackNumberLabel() {}
WEAK TRACK_DESC* TrackDesc_Get(BOOK*) { return nullptr; }
WEAK int TrackDesc_Compare(const TRACK_DESC*, const TRACK_DESC*) { return 0; }
WEAK BOOK* FindPlayerBook() { return nullptr; }
