// Tags: the phone's services fw_metadata_open, fw_metadata_close, fw_metadata_get_tag,
// fw_metadata_get_cover.

#include "core/service_table.h"
#include "phone/phone.h"
#include "tags/tag_reader.h"

namespace host::svc {

FwHandle fw_metadata_open(const char16_t* path, const char16_t* name) {
  if (!path || !name) return 0;
  return phone().tags().open(path, name);
}

void fw_metadata_close(FwHandle handle) { phone().tags().close(handle); }

const char16_t* fw_metadata_get_tag(FwHandle handle, int tag) { return phone().tags().tag(handle, tag); }

int fw_metadata_get_cover(FwHandle handle, uint8_t* type, int* size, int* offset) {
  const TagPicture* p = phone().tags().picture(handle);
  if (type) *type = p ? p->type : 0;
  if (size) *size = p ? p->size : 0;
  if (offset) *offset = p ? p->offset : 0;
  return p ? 1 : 0;
}

}  // namespace host::svc
