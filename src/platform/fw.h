// Everything the add-on knows of the firmware.
#pragma once

#include "platform/fw_constants.h"
#include "platform/fw_layout.h"
#include "platform/fw_memory.h"
#include "platform/fw_services.h"
#include "platform/fw_types.h"
