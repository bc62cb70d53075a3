// The application: its book, the globals every part shares, the entry point and the exit path.
#pragma once

#include "platform/fw.h"
#include "track/metadata.h"

// The application's book: the firmware's BOOK, then the panel's GUI object.
struct MyBOOK : BOOK {
  GUI* gui;
};
static_assert(sizeof(MyBOOK) == sizeof(BOOK) + sizeof(GUI*), "the panel's GUI follows the firmware's book");

extern MyBOOK* TuneStrip;   // the current application book
extern uint8_t NoFullKill;  // set while the book is recycled: its close callback releases nothing
extern METADATA* mdata;     // the one tag record of the run
extern int32_t scr_w, scr_h;
// The image folder: a buffer of DIR_CHARS wide characters that main allocates and ReleaseAll frees.
// It lives on the heap so that the program's static data stays within the phone's budget.
constexpr int DIR_CHARS = 500;
extern char16_t* dir;

// The 14 panel images, in load order.
extern IMAGEID BufferIMG, fonpng, key1, key2, key3, key3_1, key4, key5, key1_s, key2_s, key3_s,
    key3_1_s, key4_s, key5_s;

// Each panel image's file in the image folder and its global, in load order: loaded by main,
// released by ReleaseAll.
struct PanelImage {
  const char16_t* file;
  IMAGEID* id;
};
constexpr int kPanelImageCount = 14;
extern const PanelImage kPanelImages[kPanelImageCount];

// Makes a fresh book in TuneStrip; TuneStrip is null when there is no memory for it.
int CreateMYBook();
int isMyBook(BOOK* book);
void onCloseMYBook(BOOK* book);
// Releases everything the program holds but its book and panel: the tag reader, the track,
// images, labels, mdata, the snapshot header and the key hook.
void ReleaseAll();

int TerminateElf(void* data, BOOK* book);
int ShowAuthorInfo(void* data, BOOK* book);
int ReconfigElf(void* data, BOOK* book);
int onBcfgConfig(void* data, BOOK* book);

void elf_exit();
// Named plainly in the object file: on the phone elf_exit branches to it from assembly.
void kill_data(void* p, FreeProc f) asm("kill_data");

// A text handle for a wide string, as every message and label makes it.
inline TEXTID TextFromWstr(const char16_t* s) { return fw_text_from_wstr(s, 0, 0xFFFF); }
// A timed message box with no title and no icon.
void ShowMessage(const char16_t* text, BOOK* owner);
