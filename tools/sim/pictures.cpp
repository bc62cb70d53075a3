#include "sim/pictures.h"

#include <algorithm>
#include <stdexcept>

#include "core/event_queue.h"
#include "images/picture_output.h"
#include "phone/phone.h"
#include "screen/screen.h"
#include "sim/option_paths.h"

namespace fs = std::filesystem;

namespace sim {

fs::path Pictures::shot(const std::string& name) {
  phone_.queue().settle();
  fs::path path = fs::path(name).is_absolute() ? fs::path(name) : folder_ / name;
  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  if (ec) throw std::runtime_error(path.string() + ": cannot write: " + ec.message());
  const host::Screen& screen = phone_.screen();
  std::string error;
  if (!host::write_png(path, screen.width(), screen.height(), screen.rgba(), &error))
    throw std::runtime_error(error);
  add(path);
  return path;
}

void Pictures::add(const fs::path& p) {
  if (std::find(written_.begin(), written_.end(), p) == written_.end()) written_.push_back(p);
}

}  // namespace sim
