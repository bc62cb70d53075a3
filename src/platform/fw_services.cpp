#include "fw_services.h"

FwServiceTable* fw_services = nullptr;
