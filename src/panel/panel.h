// The panel's GUI object, its display class and the frozen screen picture behind it.
#pragma once

#include "shell/app.h"

struct DISP_OBJ_TuneStrip : DISP_OBJ {
  MyBOOK* book;
};

extern uint8_t PanelRun;   // the GUI object is shown (until its close method runs)
extern IMAGEID BufferFon;  // the screen snapshot
extern uint8_t BufferFonLive;  // BufferFon holds a snapshot that was made and not yet released
extern uint8_t* hdr;       // BMP header of a full-screen snapshot

GUI* CreateTuneStripGUI(MyBOOK* book);
void EditTuneStripGui_constr(DISP_DESC* desc);
void EditTuneStripGui_destr(DISP_DESC* desc);
int TuneStripGuiOnCreate(DISP_OBJ* obj);
void TuneStripGuiOnClose(DISP_OBJ* obj);
void CreateHeader(int width, int height);
void GetImageBuffer();
// Releases the snapshot, if one is held.
void ReleaseSnapshot();
