#include "core/codes.h"

#include <string>

#include "platform/fw_constants.h"

namespace host::codes {

std::optional<uint32_t> constant(uint32_t index) {
  switch (index) {
    case fw_index::KEY_UP: return KEY_UP;
    case fw_index::KEY_DOWN: return KEY_DOWN;
    case fw_index::KEY_LEFT: return KEY_LEFT;
    case fw_index::KEY_RIGHT: return KEY_RIGHT;
    case fw_index::KEY_ENTER: return KEY_ENTER;
    case fw_index::KEY_ESC: return KEY_ESC;
    case fw_index::KBD_SHORT_PRESS: return KBD_SHORT_PRESS;
    case fw_index::FONT_E_20R: return FONT_E_20R;
    case fw_index::VOLUMEUPKEY_SHORT_PRESS_EVENT: return UI_VOLUME_UP;
    case fw_index::VOLUMEDOWNKEY_SHORT_PRESS_EVENT: return UI_VOLUME_DOWN;
    case fw_index::UI_MEDIAPLAYER_PREV_TRACK_EVENT: return UI_MEDIAPLAYER_PREV_TRACK;
    case fw_index::UI_MEDIAPLAYER_NEXT_TRACK_EVENT: return UI_MEDIAPLAYER_NEXT_TRACK;
  }
  return std::nullopt;
}

const char* event_name(uint32_t code) {
  switch (code) {
    case END_OF_PAGE: return "END_OF_PAGE";
    case SYSTEM_EXIT: return "SYSTEM_EXIT";
    case MEDIAPLAYER_PLAY: return "MEDIAPLAYER_PLAY";
    case MEDIAPLAYER_TRACK: return "MEDIAPLAYER_TRACK";
    case MEDIAPLAYER_CLOSED: return "MEDIAPLAYER_CLOSED";
    case MEDIAPLAYER_PLAY_TIMER: return "MEDIAPLAYER_PLAY_TIMER";
    case CONFIG_EDIT_REQUEST: return "CONFIG_EDIT_REQUEST";
    case RECONFIG_NOTICE: return "RECONFIG_NOTICE";
    case TERMINATE_REQUEST: return "TERMINATE_REQUEST";
    case ABOUT_REQUEST: return "ABOUT_REQUEST";
    default: return nullptr;
  }
}

std::optional<uint32_t> event(uint32_t index) {
  switch (index) {
    case fw_index::END_OF_PAGE_EVENT: return END_OF_PAGE;
    case fw_index::SYSTEM_EXIT_EVENT: return SYSTEM_EXIT;
    case fw_index::MEDIAPLAYER_PLAY_EVENT: return MEDIAPLAYER_PLAY;
    case fw_index::MEDIAPLAYER_TRACK_EVENT: return MEDIAPLAYER_TRACK;
    case fw_index::MEDIAPLAYER_CLOSED_EVENT: return MEDIAPLAYER_CLOSED;
    case fw_index::MEDIAPLAYER_PLAY_TIMER_EVENT: return MEDIAPLAYER_PLAY_TIMER;
    case fw_index::CONFIG_EDIT_REQUEST_EVENT: return CONFIG_EDIT_REQUEST;
    case fw_index::RECONFIG_NOTICE_EVENT: return RECONFIG_NOTICE;
    case fw_index::TERMINATE_REQUEST_EVENT: return TERMINATE_REQUEST;
    case fw_index::ABOUT_REQUEST_EVENT: return ABOUT_REQUEST;
  }
  return std::nullopt;
}

namespace {
struct KeyName {
  const char* name;
  int code;
};
constexpr KeyName kKeys[] = {
    {"up", KEY_UP},       {"down", KEY_DOWN},       {"left", KEY_LEFT},
    {"right", KEY_RIGHT}, {"enter", KEY_ENTER},     {"esc", KEY_ESC},
    {"hot", KEY_MUSIC},   {"volup", KEY_VOL_UP},    {"voldown", KEY_VOL_DOWN},
};
}  // namespace

std::vector<std::string_view> key_names() {
  std::vector<std::string_view> out;
  for (const KeyName& k : kKeys) out.push_back(k.name);
  return out;
}

std::optional<int> key_by_name(std::string_view name) {
  for (const KeyName& k : kKeys)
    if (name == k.name) return k.code;
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return KEY_DIGIT_0 + (name[0] - '0');
  return std::nullopt;
}

const char* key_name(int code) {
  for (const KeyName& k : kKeys)
    if (k.code == code) return k.name;
  static const char* digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  if (code >= KEY_DIGIT_0 && code < KEY_DIGIT_0 + 10) return digits[code - KEY_DIGIT_0];
  return nullptr;
}

}  // namespace host::codes
