#include "core/install_paths.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace host {

fs::path program_dir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

fs::path installed_module() { return (program_dir() / TS_MODULE_FROM_BIN).lexically_normal(); }

fs::path data_dir() {
  const char* env = std::getenv("TUNESTRIP_DATA");
  if (env && *env) return env;
  return (program_dir() / TS_DATA_FROM_BIN).lexically_normal();
}

}  // namespace host
