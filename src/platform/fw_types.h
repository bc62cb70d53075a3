// Firmware types shared by the add-on and the phone that runs it.
#pragma once

#include <cstddef>
#include <cstdint>

// A 32-bit address in firmware memory (records the firmware owns and the add-on reads at fixed
// byte offsets: the media player's book, its current-track record, the screen's layer records and
// pixel memory). 0 is "none".
using FwAddr = uint32_t;

using TEXTID = uint32_t;   // displayable text handle
using IMAGEID = uint16_t;  // loaded image handle
using FwHandle = uint32_t; // other firmware handles (tag reader); 0 is none

constexpr TEXTID EMPTY_TEXT = 0x6FFFFFFF;
constexpr IMAGEID NOIMAGE = 0xFFFF;

// A rectangle in screen pixels: left, right, top, bottom.
struct RECT {
  uint16_t x1, x2, y1, y2;
};

// The firmware's record of a book; the second field is the book's narrow name.
struct BOOK;
struct FwBookRecord {
  BOOK* book;
  const char* name;
};

// A running application's book. The firmware fills both fields in fw_create_book.
struct BOOK {
  FwBookRecord* xbook;
  FwAddr addr;  // the book's image in firmware memory, 0 when it has none
};

// A GUI object; the add-on allocates the storage, the firmware owns it once created.
struct GUI {
  void* impl;
};

// A display object; display classes may extend it (the firmware allocates the size the class sets).
struct DISP_OBJ {
  void* impl;
};

// A display class descriptor, filled through the fw_disp_desc_* services.
struct DISP_DESC {
  void* impl;
};

// A graphics context.
struct GC;

// The 28-byte file status record; the file size is the 32-bit word at byte 8. Word-aligned: the
// firmware fills it with word stores, which on the phone's processor need aligned addresses.
struct alignas(4) FSTAT {
  uint8_t raw[28];
};
static_assert(sizeof(FSTAT) == 28);

typedef int (*PageHandler)(void* data, BOOK* book);
typedef void (*BookCloseProc)(BOOK* book);
typedef int (*BookPredicate)(BOOK* book);
typedef void (*TimerProc)(uint16_t timer, void* data);
typedef void (*DeferredProc)();
typedef int (*KeyHookProc)(int key, int r1, int mode);
typedef void (*FreeProc)(void* p);

typedef void (*DispDescProc)(DISP_DESC* desc);
typedef int (*DispCreateProc)(DISP_OBJ* obj);
typedef void (*DispCloseProc)(DISP_OBJ* obj);
typedef void (*DispRedrawProc)(DISP_OBJ* obj, int a, int b, int c);
typedef void (*DispKeyProc)(DISP_OBJ* obj, int key, int a, int b, int mode);

// One entry of a page's event table: the event (an index before loading, the firmware's code
// after) and its handler. A table ends with a pair whose handler is null, and the next 32-bit word
// holds the number of pairs, the end pair included.
struct PAGE_MSG {
  uint32_t event;
  PageHandler handler;
};

template <size_t N>
struct PAGE_EVENTS {
  PAGE_MSG msg[N];
  uint32_t count;
};

struct PAGE_DESC {
  const char* name;
  int reserved;
  const PAGE_MSG* msg;
};

// Platform constants: indices before loading, firmware values after; then their count.
template <size_t N>
struct FW_CONSTANTS {
  uint32_t value[N];
  uint32_t count;
};

// What the loader needs from a module: its constant table (count follows the values) and the
// event tables of its pages, a null-terminated list.
struct FwModuleInfo {
  uint32_t* constants;
  PAGE_MSG* const* pages;
};

// Event data records the firmware hands to page handlers.
struct FwAboutEvent {
  BOOK* owner;  // the book that should own the message
};
struct FwReconfigEvent {
  char16_t path[64];  // folder of the changed file
  char16_t name[64];  // file name of the changed file
};
// The media player's play-time tick: hours, minutes, seconds at bytes 0x24, 0x28, 0x2C.
struct FwPlayTimerEvent {
  uint8_t raw[0x30];
};

// Folder ids for fw_get_dir.
constexpr int DIR_ELF_2 = 0x10;     // second application folder
constexpr int DIR_ELF_1 = 0x11;     // first application folder
constexpr int DIR_CONFIG_1 = 0x14;  // first configuration folder
constexpr int DIR_CONFIG_2 = 0x15;  // second configuration folder

// File open modes and permissions.
constexpr int FW_OPEN_READ = 1;
constexpr int FW_OPEN_CREATE = 0x204;
constexpr int FW_PERM_RW = 0x180;
constexpr int FW_SEEK_SET = 0;
constexpr int FW_SEEK_CUR = 1;
constexpr int FW_SEEK_END = 2;
