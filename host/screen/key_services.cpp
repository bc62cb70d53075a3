// Keys: the phone's services fw_key_hook.

#include "core/service_table.h"
#include "phone/phone.h"
#include "screen/keys.h"

namespace host::svc {

int fw_key_hook(KeyHookProc hook, int install) { return phone().keys().hook(hook, install); }

}  // namespace host::svc
