// Built by Layout.PhoneCannotIncludeTheAddOn, which expects it not to compile: the phone's rooms
// see of the add-on only its platform layer, so the panel's header is not on their include path.
#include "platform/fw_types.h"
#include "panel/panel.h"
