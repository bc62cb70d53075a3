// Firmware constants the loader supplies: the table holds indices until the program is loaded,
// then the firmware's values. The program only reads them after loading.
#pragma once

#include "platform/fw.h"

extern FW_CONSTANTS<12> fw_platform_constants;

#define KEY_UP (int(fw_platform_constants.value[0]))
#define KEY_DOWN (int(fw_platform_constants.value[1]))
#define KEY_LEFT (int(fw_platform_constants.value[2]))
#define KEY_RIGHT (int(fw_platform_constants.value[3]))
#define KEY_ENTER (int(fw_platform_constants.value[4]))
#define KEY_ESC (int(fw_platform_constants.value[5]))
#define KBD_SHORT_PRESS (int(fw_platform_constants.value[6]))
#define FONT_E_20R (int(fw_platform_constants.value[7]))
#define VOLUMEUPKEY_SHORT_PRESS_EVENT (int(fw_platform_constants.value[8]))
#define VOLUMEDOWNKEY_SHORT_PRESS_EVENT (int(fw_platform_constants.value[9]))
#define UI_MEDIAPLAYER_PREV_TRACK_EVENT (int(fw_platform_constants.value[10]))
#define UI_MEDIAPLAYER_NEXT_TRACK_EVENT (int(fw_platform_constants.value[11]))
