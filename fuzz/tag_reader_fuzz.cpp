// The phone's tag reader over one file: ID3v2 and ID3v1 text through TagLib, the year, and the
// walk over the tag's frames that finds where its picture lies in the file.
#include "fuzz_phone.h"
#include "tags/tag_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::Phone& phone = fuzz::phone();
  fuzz::put(fuzz::music() / "t.mp3", data, size);
  host::TagData tags = phone.tags().read(fuzz::music() / "t.mp3");
  if (tags.picture && (tags.picture->size <= 0 || tags.picture->offset < 0 ||
                       size_t(tags.picture->offset) + size_t(tags.picture->size) > size))
    __builtin_trap();  // a picture must lie inside the file
  return 0;
}
