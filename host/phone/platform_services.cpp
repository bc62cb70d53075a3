// Platform: the phone's services fw_platform_id.

#include "core/service_table.h"
#include "phone/phone.h"

namespace host::svc {

// The firmware's platform id, as the phone was made (Options::platform_id).
int fw_platform_id() { return int(phone().options().platform_id); }

}  // namespace host::svc
