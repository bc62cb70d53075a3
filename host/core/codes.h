// The firmware's own values of the constants and events the add-on names by index. They differ
// from the indices on purpose: a value the loader failed to resolve shows at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace host::codes {

// Key codes of the phone's keypad.
constexpr int KEY_UP = 0x3B;
constexpr int KEY_DOWN = 0x3C;
constexpr int KEY_LEFT = 0x3D;
constexpr int KEY_RIGHT = 0x3E;
constexpr int KEY_ENTER = 0x3F;
constexpr int KEY_ESC = 0x40;
constexpr int KEY_MUSIC = 42;  // the player key; the default hot key
constexpr int KEY_VOL_UP = 0x50;
constexpr int KEY_VOL_DOWN = 0x51;
constexpr int KEY_DIGIT_0 = 0x60;  // 0x60..0x69: digits 0 to 9

// Press modes, delivered in order: down, then short or long press, then up.
constexpr int KBD_DOWN = 0;
constexpr int KBD_SHORT_PRESS = 1;
constexpr int KBD_LONG_PRESS = 2;
constexpr int KBD_UP = 3;

// Fonts: the firmware's font ids (see Fonts for their sizes).
constexpr int FONT_E_20R = 0x2014;

// UI events the media player obeys.
constexpr int UI_VOLUME_UP = 0x7001;
constexpr int UI_VOLUME_DOWN = 0x7002;
constexpr int UI_MEDIAPLAYER_PREV_TRACK = 0x7003;
constexpr int UI_MEDIAPLAYER_NEXT_TRACK = 0x7004;

// Page events.
constexpr uint32_t END_OF_PAGE = 0xA000;
constexpr uint32_t SYSTEM_EXIT = 0xA001;
constexpr uint32_t MEDIAPLAYER_PLAY = 0xA010;
constexpr uint32_t MEDIAPLAYER_TRACK = 0xA011;
constexpr uint32_t MEDIAPLAYER_CLOSED = 0xA012;
constexpr uint32_t MEDIAPLAYER_PLAY_TIMER = 0xA013;
constexpr uint32_t CONFIG_EDIT_REQUEST = 0xA020;
constexpr uint32_t RECONFIG_NOTICE = 0xA021;
constexpr uint32_t TERMINATE_REQUEST = 0xA022;
constexpr uint32_t ABOUT_REQUEST = 0xA023;

// The firmware value of a constant index, or nothing for an index it does not know.
std::optional<uint32_t> constant(uint32_t index);
// The firmware code of a page-event index, or nothing for an index it does not know.
std::optional<uint32_t> event(uint32_t index);
// A page event's name by its firmware code ("MEDIAPLAYER_TRACK"), or null for a code of none.
const char* event_name(uint32_t code);

// Key names of the keypad ("up", "hot", "volup", "5", ...) and back.
std::optional<int> key_by_name(std::string_view name);
const char* key_name(int code);
// The named keys, without the digits.
std::vector<std::string_view> key_names();

}  // namespace host::codes
