// The image service: bytes handed to fw_image_from_buffer, as the add-on hands over a picture it
// read from a tag or a cover file (PNG, JPEG, BMP and GIF).
#include <cstring>

#include "core/memory.h"
#include "fuzz_phone.h"
#include "images/image_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::Phone& phone = fuzz::phone();
  if (size == 0 || size > (1u << 24)) return 0;
  void* buf = phone.memory().alloc(size);
  if (!buf) return 0;
  std::memcpy(buf, data, size);
  IMAGEID id = NOIMAGE;
  if (phone.images().from_buffer(buf, int(size), u"image", &id) == 0) {
    const host::Image* image = phone.images().get(id);
    if (!image || image->rgba.size() != size_t(image->width) * size_t(image->height) * 4)
      __builtin_trap();
    phone.images().free(id);
  }
  return 0;
}
