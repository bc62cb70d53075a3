// The add-on's stream parser (ID3v2 size, frame search, Xing header) reading a file through the
// phone's file services.
#include "fuzz_phone.h"
#include "mp3/mp3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::phone();
  fuzz::put(fuzz::music() / "f.mp3", data, size);
  ReadMP3Information(u"/card/Music", u"f.mp3");
  return 0;
}
