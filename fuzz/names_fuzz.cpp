// File names as they come, through the play list and the phone's files: each input is a folder's
// names, one a line, made as files (up to 32, their bytes as they are: Latin-1, broken UTF-8, case
// twins, control characters), then read as a folder and as a list that names each of them. Every
// track the list keeps must be reached by its phone folder and name, and what the phone opens
// must be that very file, never another.
#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/event_queue.h"
#include "files/file_system.h"
#include "fuzz_phone.h"
#include "player/media_player.h"
#include "player/playlist.h"

namespace fs = std::filesystem;

namespace {

const uint8_t kFrame[4] = {0xFF, 0xFB, 0x90, 0x00};  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz

std::vector<std::string> names_of(const uint8_t* data, size_t size) {
  std::vector<std::string> out;
  std::string cur;
  for (size_t i = 0; i <= size && out.size() < 32; ++i) {
    if (i == size || data[i] == '\n') {
      if (!cur.empty() && cur != "." && cur != ".." && cur.size() < 200) out.push_back(cur + ".mp3");
      cur.clear();
    } else if (data[i] != '/' && data[i] != 0) {
      cur.push_back(char(data[i]));
    }
  }
  return out;
}

uint64_t inode(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? uint64_t(st.st_ino) : 0;
}

void check_reachable(host::MediaPlayer& player) {
  host::FileSystem& files = fuzz::phone().files();
  for (size_t i = 0; i < player.tracks().size(); ++i) {
    auto found = files.resolve(player.phone_folder(i), player.phone_name(i));
    if (!found || inode(*found) != inode(player.tracks()[i])) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path dir = fuzz::music() / "names";
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  std::string mp3;
  for (int i = 0; i < 4; ++i) {
    mp3.append(reinterpret_cast<const char*>(kFrame), 4);
    mp3.append(417 - 4, '\0');
  }
  std::string list;
  for (const std::string& n : names_of(data, size)) {
    fuzz::put(dir / n, reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size());
    list += n + "\n";
  }
  fuzz::put(dir / "names.m3u", reinterpret_cast<const uint8_t*>(list.data()), list.size());
  host::MediaPlayer& player = fuzz::phone().player();
  for (const fs::path& from : {dir, dir / "names.m3u"}) {
    try {
      player.start(from);
    } catch (const std::runtime_error&) {
      continue;
    }
    check_reachable(player);
  }
  player.close();
  fuzz::phone().queue().settle();
  return 0;
}
