#include "sim/skin_images.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <set>

#include "config/bcfg.h"
#include "core/atomic_file.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "platform/fw_types.h"
#include "skin/skin.h"

namespace fs = std::filesystem;

namespace sim {

std::vector<std::string> install_skin_images(const fs::path& skin, host::FileSystem& files,
                                             std::vector<std::string>* unreadable) {
  const fs::path to = files.dir_path(DIR_CONFIG_2) / "TuneStrip";
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) throw host::OutputError(to, "cannot make the folder: " + ec.message(), ec.value());
  std::vector<std::string> changed;
  std::set<std::string> names;
  for (const skin::PanelImage& image : skin::kPanelImages) {
    const std::optional<fs::path> from = skin::find_file(skin, image.file);
    if (!from) continue;
    const std::string name = from->filename().string();
    names.insert(name);
    std::vector<uint8_t> bytes;
    try {
      bytes = bcfg::read_bytes(*from);
    } catch (const std::exception& e) {
      if (unreadable) unreadable->push_back(e.what());
      continue;
    }
    const fs::path copy = to / name;
    std::error_code fec;
    if (fs::exists(copy, fec)) {
      try {
        if (bcfg::read_bytes(copy) == bytes) continue;
      } catch (const std::exception&) {
        // An unreadable copy is written anew.
      }
    }
    host::AtomicFile out(copy);
    out.write(bytes.data(), bytes.size());
    out.commit();
    changed.push_back(name);
  }
  // Panel images the author removed or renamed leave the phone too (other files stay: a phone
  // folder given with --phone is the user's).
  for (const auto& e : fs::directory_iterator(to, ec)) {
    const std::string name = e.path().filename().string();
    const bool panel_image = std::any_of(
        skin::kPanelImages.begin(), skin::kPanelImages.end(), [&](const skin::PanelImage& image) {
          return host::ascii_lower(std::string(image.file)) == host::ascii_lower(name);
        });
    if (!panel_image || names.count(name)) continue;
    std::error_code rec;
    fs::remove(e.path(), rec);
    changed.push_back(name + " (removed)");
  }
  return changed;
}

}  // namespace sim
