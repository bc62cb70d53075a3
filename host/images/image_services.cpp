// Images: the phone's services fw_image_load, fw_image_free, fw_image_from_buffer.

#include "core/service_table.h"
#include "core/wstr.h"
#include "images/image_store.h"
#include "phone/phone.h"

namespace host::svc {

int fw_image_load(const char16_t* path, const char16_t* name, IMAGEID* id) {
  return phone().images().load(wview(path), wview(name), id);
}

void fw_image_free(IMAGEID id) { phone().images().free(id); }

int fw_image_from_buffer(void* buf, int size, int, const char16_t* type, IMAGEID* id) {
  return phone().images().from_buffer(buf, size, type, id);
}

}  // namespace host::svc
