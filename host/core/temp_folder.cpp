#include "core/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <string>

namespace host {

TempFolder::TempFolder(std::string_view prefix, std::error_code& ec) {
  ec.clear();
  std::string pattern = (std::filesystem::temp_directory_path(ec) / prefix).string() + "XXXXXX";
  if (ec) return;
  if (!mkdtemp(pattern.data())) {
    ec = std::error_code(errno, std::generic_category());
    return;
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace host
