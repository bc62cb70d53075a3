// The records the firmware and the add-on share, as they lie in memory, checked when compiling:
// for the phone (32-bit ARM) every offset below is the firmware's own; on a 64-bit host the
// records that hold pointers scale with the pointer, and the records of firmware memory (read
// through FwAddr) keep the phone's offsets exactly.
#pragma once

#include <cstddef>

#include "platform/fw_types.h"

// One pointer-sized word: 4 bytes on the phone.
constexpr size_t FW_WORD = sizeof(void*);
static_assert(sizeof(FwAddr) == 4 && sizeof(TEXTID) == 4 && sizeof(IMAGEID) == 2);
static_assert(sizeof(int) == 4, "the firmware's int is 32 bits");
static_assert(sizeof(RECT) == 8 && offsetof(RECT, x2) == 2 && offsetof(RECT, y1) == 4 &&
              offsetof(RECT, y2) == 6);

// The base page's event table: (event, handler) pairs, then the 32-bit pair count.
static_assert(offsetof(PAGE_MSG, event) == 0 && offsetof(PAGE_MSG, handler) == FW_WORD);
static_assert(sizeof(PAGE_MSG) == 2 * FW_WORD);
static_assert(offsetof(PAGE_EVENTS<10>, count) == 10 * sizeof(PAGE_MSG));
static_assert(offsetof(PAGE_DESC, name) == 0 && offsetof(PAGE_DESC, reserved) == FW_WORD &&
              offsetof(PAGE_DESC, msg) == 2 * FW_WORD);

// The platform-constants table: twelve 32-bit words, then their count.
static_assert(sizeof(FW_CONSTANTS<12>) == 52 && offsetof(FW_CONSTANTS<12>, count) == 48);

// What the loader reads of the module: the constant table, then the null-terminated page list.
static_assert(offsetof(FwModuleInfo, constants) == 0 && offsetof(FwModuleInfo, pages) == FW_WORD);

// A book: its first word points to the firmware's record of it, whose second word is the name.
static_assert(offsetof(BOOK, xbook) == 0);
static_assert(offsetof(FwBookRecord, book) == 0 && offsetof(FwBookRecord, name) == FW_WORD);
// A GUI object and a display object are one firmware word.
static_assert(sizeof(GUI) == FW_WORD && sizeof(DISP_OBJ) == FW_WORD && sizeof(DISP_DESC) == FW_WORD);

// Event records.
static_assert(offsetof(FwAboutEvent, owner) == 0);
static_assert(offsetof(FwReconfigEvent, path) == 0 && offsetof(FwReconfigEvent, name) == 128 &&
              sizeof(FwReconfigEvent) == 256);
static_assert(sizeof(FSTAT) == 28 && alignof(FSTAT) == 4);

// The media player's play-time tick (the data of MEDIAPLAYER_PLAY_TIMER_EVENT).
struct FW_PLAY_TIMER {
  uint8_t other[0x24];
  int32_t hours;
  int32_t minutes;
  int32_t seconds;
};
static_assert(offsetof(FW_PLAY_TIMER, hours) == 0x24 && offsetof(FW_PLAY_TIMER, minutes) == 0x28 &&
              offsetof(FW_PLAY_TIMER, seconds) == 0x2C);
static_assert(sizeof(FW_PLAY_TIMER) == sizeof(FwPlayTimerEvent));

// The media player's book in firmware memory, platform ids 0x7100, 0x8000 and 0x8040.
struct FW_PLAYER_BOOK_8 {
  uint8_t other0[0x5C];
  uint16_t index;      // 0-based track index, when below 10001
  uint8_t other1[0x6C - 0x5E];
  FwAddr track;        // the current-track record
  uint16_t other2;
  uint16_t index_alt;  // the index when the first field is 10001 or more
  uint8_t other3[0x80 - 0x74];
  uint16_t count;      // track count, when not 0
  uint16_t other4;
  uint16_t count_alt;  // the count when the first field is 0
  uint16_t other5;
};
static_assert(offsetof(FW_PLAYER_BOOK_8, index) == 0x5C && offsetof(FW_PLAYER_BOOK_8, track) == 0x6C &&
              offsetof(FW_PLAYER_BOOK_8, index_alt) == 0x72 &&
              offsetof(FW_PLAYER_BOOK_8, count) == 0x80 &&
              offsetof(FW_PLAYER_BOOK_8, count_alt) == 0x84);

// The media player's book in firmware memory, platform id 0x9900.
struct FW_PLAYER_BOOK_9 {
  uint8_t other0[0x74];
  FwAddr track;    // the current-track record
  uint16_t other1;
  uint16_t index;  // 0-based track index
  uint8_t other2[0x94 - 0x7C];
  uint32_t count;  // track count
};
static_assert(offsetof(FW_PLAYER_BOOK_9, track) == 0x74 && offsetof(FW_PLAYER_BOOK_9, index) == 0x7A &&
              offsetof(FW_PLAYER_BOOK_9, count) == 0x94);

// The player's current-track record, the same in both families.
struct FW_TRACK_RECORD {
  uint32_t other0;
  FwAddr folder;  // wide string
  FwAddr name;    // wide string
  uint32_t other1;
  int32_t length;  // seconds
};
static_assert(offsetof(FW_TRACK_RECORD, folder) == 4 && offsetof(FW_TRACK_RECORD, name) == 8 &&
              offsetof(FW_TRACK_RECORD, length) == 0x10);
