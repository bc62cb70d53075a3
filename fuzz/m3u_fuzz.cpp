// The media player's .m3u reader: a list in a folder that holds one real MP3 file ("a.mp3") and
// a subfolder, so that entries can name files, folders and nothing.
#include <stdexcept>

#include "fuzz_phone.h"
#include "player/playlist.h"

namespace {

const uint8_t kFrame[4] = {0xFF, 0xFB, 0x90, 0x00};  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz

void make_folder(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir / "sub");
  std::string mp3;
  for (int i = 0; i < 8; ++i) {
    mp3.append(reinterpret_cast<const char*>(kFrame), 4);
    mp3.append(417 - 4, '\0');
  }
  fuzz::put(dir / "a.mp3", reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool made = (make_folder(fuzz::music() / "list"), true);
  (void)made;
  const std::filesystem::path list = fuzz::music() / "list" / "list.m3u";
  fuzz::put(list, data, size);
  try {
    host::load_playlist(list);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
