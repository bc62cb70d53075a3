// A fresh folder of one's own under the system's temporary folder, removed with all it holds when
// the object goes (also when whatever was filling it failed, or the run was interrupted).
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace host {

class TempFolder {
 public:
  // Makes TEMP/PREFIXXXXXXX (mkdtemp); on failure `ec` holds the reason and path() is empty.
  TempFolder(std::string_view prefix, std::error_code& ec);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace host
