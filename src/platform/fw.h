// Everything the add-on knows of the firmware.
#pragma once

#include "fw_constants.h"
#include "fw_layout.h"
#include "fw_memory.h"
#include "fw_services.h"
#include "fw_types.h"
