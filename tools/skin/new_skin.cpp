#include "skin/new_skin.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "skin/default_skin.h"
#include "skin/skin.h"

namespace fs = std::filesystem;

namespace skin {

bcfg::Image default_skin_config() {
  bcfg::Image image = bcfg::default_image();
  for (int k = 1; k <= 5; ++k)
    bcfg::set(image, "FUNCTION_KEY" + std::to_string(k), std::to_string(k - 1));
  return image;
}

void write_new_skin(const fs::path& dir) {
  const std::string name = dir.string();
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(dir, ec);
  if (fs::exists(status)) {
    if (!fs::is_directory(fs::status(dir, ec)))
      throw NewSkinError(name + ": is there already and is not a folder");
    if (!fs::is_empty(dir, ec))
      throw NewSkinError(name + ": the folder is not empty; give a new or an empty one");
  }
  if (!fs::create_directories(dir, ec) && ec)
    throw NewSkinError(name + ": cannot make the folder: " + ec.message());
  for (const Picture& p : default_pictures()) {
    const fs::path file = dir / p.name;
    if (!p.canvas.save(file))
      throw NewSkinError(file.string() + ": cannot write: " + std::strerror(errno));
  }
  try {
    bcfg::write_file(dir / kConfigName, default_skin_config());
  } catch (const bcfg::Error& e) {
    throw NewSkinError(e.what());
  }
}

}  // namespace skin
