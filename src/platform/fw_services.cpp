#include "platform/fw_services.h"

#if !FW_ON_PHONE
FwServiceTable* fw_services = nullptr;
#endif
