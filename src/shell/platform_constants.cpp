// Defined apart from the macros of shell/platform_constants.h, which reuse the index names.
#include "platform/fw.h"

// Stored as the firmware's index numbers; the loader replaces each by the firmware's value.
FW_CONSTANTS<12> fw_platform_constants = {
    {
        fw_index::KEY_UP,
        fw_index::KEY_DOWN,
        fw_index::KEY_LEFT,
        fw_index::KEY_RIGHT,
        fw_index::KEY_ENTER,
        fw_index::KEY_ESC,
        fw_index::KBD_SHORT_PRESS,
        fw_index::FONT_E_20R,
        fw_index::VOLUMEUPKEY_SHORT_PRESS_EVENT,
        fw_index::VOLUMEDOWNKEY_SHORT_PRESS_EVENT,
        fw_index::UI_MEDIAPLAYER_PREV_TRACK_EVENT,
        fw_index::UI_MEDIAPLAYER_NEXT_TRACK_EVENT,
    },
    12,
};
