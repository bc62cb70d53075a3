#include "fuzz_phone.h"

#include <fstream>
#include <memory>

#include "core/service_table.h"
#include "files/file_system.h"
#include "platform/fw_services.h"

namespace fuzz {
namespace {

struct Session {
  host::Phone phone{host::Options{}};
  std::filesystem::path music;
  Session() {
    fw_services = phone.services().table();
    music = phone.files().root() / "Music";
    std::filesystem::create_directories(music);
    phone.files().mount(u"/card/Music", music);
  }
};

Session& session() {
  static Session s;
  return s;
}

}  // namespace

host::Phone& phone() { return session().phone; }
const std::filesystem::path& music() { return session().music; }

void put(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

}  // namespace fuzz
