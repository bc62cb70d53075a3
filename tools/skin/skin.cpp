#include "skin/skin.h"

#include "core/wstr.h"

namespace fs = std::filesystem;

namespace skin {

std::optional<fs::path> find_file(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  if (fs::is_regular_file(dir / name, ec)) return dir / name;
  const std::string want = host::ascii_lower(std::string(name));
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    std::error_code fec;
    if (e.is_regular_file(fec) && host::ascii_lower(e.path().filename().string()) == want)
      return e.path();
  }
  return std::nullopt;
}

std::string ConfigChoice::describe() const {
  if (file.empty()) return "the built-in block";
  return file.string() + (from_option ? " (--config)" : " (the skin's)");
}

ConfigChoice choose_config(const fs::path& dir, const fs::path& config) {
  if (!config.empty()) return {config, true};
  if (auto own = find_file(dir, kConfigName)) return {*own, false};
  return {};
}

}  // namespace skin
