// Index numbers under which the add-on names firmware constants and events. The loader replaces
// each index by the firmware's own value before the entry point runs.
#pragma once

#include <cstdint>

namespace fw_index {
// Platform constants, in the order of the add-on's constant table.
constexpr uint32_t KEY_UP = 0x16;
constexpr uint32_t KEY_DOWN = 0x17;
constexpr uint32_t KEY_LEFT = 0x18;
constexpr uint32_t KEY_RIGHT = 0x19;
constexpr uint32_t KEY_ENTER = 0x1A;
constexpr uint32_t KEY_ESC = 0x1B;
constexpr uint32_t KBD_SHORT_PRESS = 0x2A;
constexpr uint32_t FONT_E_20R = 0x38;
constexpr uint32_t VOLUMEUPKEY_SHORT_PRESS_EVENT = 0x6A;
constexpr uint32_t VOLUMEDOWNKEY_SHORT_PRESS_EVENT = 0x6D;
constexpr uint32_t UI_MEDIAPLAYER_PREV_TRACK_EVENT = 0x124;
constexpr uint32_t UI_MEDIAPLAYER_NEXT_TRACK_EVENT = 0x125;

// Page events.
constexpr uint32_t END_OF_PAGE_EVENT = 0x40;
constexpr uint32_t SYSTEM_EXIT_EVENT = 0x4E;
constexpr uint32_t MEDIAPLAYER_PLAY_EVENT = 0x1D6;
constexpr uint32_t MEDIAPLAYER_TRACK_EVENT = 0x1D8;
constexpr uint32_t MEDIAPLAYER_CLOSED_EVENT = 0x1D9;
constexpr uint32_t MEDIAPLAYER_PLAY_TIMER_EVENT = 0x1DA;
constexpr uint32_t CONFIG_EDIT_REQUEST_EVENT = 0x3E2;
constexpr uint32_t RECONFIG_NOTICE_EVENT = 0x3E4;
constexpr uint32_t TERMINATE_REQUEST_EVENT = 0x3E5;
constexpr uint32_t ABOUT_REQUEST_EVENT = 0x3E6;
}  // namespace fw_index
