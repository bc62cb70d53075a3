// Where the media player's book keeps the current track, by platform id: the phone's side of the
// layout (the media player writes it, tests read and forge it). The add-on has its own copy of
// these places, and tests check that both agree.
//
//   ids 0x7100, 0x8000, 0x8040 (the first layout): current-track record pointer at 0x6C; track
//     count u16 at 0x80 (or, in the fallback form, 0 there and the count at 0x84); 0-based track
//     index u16 at 0x5C when below 10001, else 0xFFFF at 0x5C and the index at 0x72.
//   id 0x9900 and any other id: record pointer at 0x74; count 32-bit at 0x94; index u16 at 0x7A.
// Current-track record: folder wide string pointer at 4, file name pointer at 8, length in
// seconds (32-bit) at 0x10. The record pointer is 0 when there is no current track.
#pragma once

#include <cstdint>

namespace host::player_book {

constexpr bool first_layout(uint32_t platform_id) {
  return platform_id == 0x7100 || platform_id == 0x8000 || platform_id == 0x8040;
}

// The first layout.
constexpr uint32_t kFirstRecord = 0x6C;
constexpr uint32_t kFirstCount = 0x80;          // u16
constexpr uint32_t kFirstCountFallback = 0x84;  // u16, while kFirstCount holds 0
constexpr uint32_t kFirstIndex = 0x5C;          // u16, below kFirstIndexLimit
constexpr uint32_t kFirstIndexFallback = 0x72;  // u16, while kFirstIndex holds 0xFFFF
constexpr uint32_t kFirstIndexLimit = 10001;

// The second layout.
constexpr uint32_t kSecondRecord = 0x74;
constexpr uint32_t kSecondCount = 0x94;  // 32-bit
constexpr uint32_t kSecondIndex = 0x7A;  // u16

constexpr uint32_t record_offset(uint32_t platform_id) {
  return first_layout(platform_id) ? kFirstRecord : kSecondRecord;
}

// The current-track record.
constexpr uint32_t kRecordFolder = 0x04;
constexpr uint32_t kRecordName = 0x08;
constexpr uint32_t kRecordLength = 0x10;

}  // namespace host::player_book
