// Keys: the phone's services fw_key_hook.

#include "phone/phone.h"
#include "phone/service_table.h"
#include "screen/keys.h"

namespace host::svc {

int fw_key_hook(KeyHookProc hook, int install) { return phone().keys().hook(hook, install); }

}  // namespace host::svc
