// The configuration file: the add-on loads it through the phone's file services and draws its
// labels where it says; tunestrip-bcfg checks, prints and edits it. Input: the file's bytes, then
// (past the block's 7124 bytes) NAME=VALUE lines for `set`.
#include <string>
#include <string_view>

#include "config/bcfg.h"
#include "files/file_system.h"
#include "fuzz_phone.h"
#include "panel/labels.h"
#include "panel/render.h"
#include "shell/config/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::Phone& phone = fuzz::phone();
  const size_t file_size = size < CONFIG_SIZE ? size : CONFIG_SIZE;
  std::span<const uint8_t> file(data, file_size);
  std::string_view assignments(reinterpret_cast<const char*>(data) + file_size, size - file_size);

  // The add-on: load, then draw every label with a text.
  auto path = phone.files().resolve(fw_get_dir(DIR_CONFIG_1), config_file_name, true);
  if (!path) return 0;
  fuzz::put(*path, data, file_size);
  config_block = cfg_default_block();
  LoadConfigData(fw_get_dir(DIR_CONFIG_1), config_file_name);
  for (TEXTID& t : TextID) t = fw_text_from_int(8);
  DrawLabels();
  for (TEXTID& t : TextID) {
    fw_text_free(t);
    t = 0;
  }

  // The tool.
  const bool values_ok = !bcfg::check(file);
  if (file_size != bcfg::kSize || bcfg::check(file, false)) return 0;
  bcfg::Image image;
  std::copy(file.begin(), file.end(), image.begin());
  bcfg::dump(image);
  bcfg::dump_json(image);
  // Edits of a block whose every value is in range keep it so.
  if (!values_ok) return 0;
  while (!assignments.empty()) {
    size_t nl = assignments.find('\n');
    std::string_view line = assignments.substr(0, nl);
    assignments = nl == std::string_view::npos ? std::string_view() : assignments.substr(nl + 1);
    bcfg::Image before = image;
    try {
      bcfg::assign(image, line);
    } catch (const bcfg::Error&) {
      if (image != before) __builtin_trap();  // a refused set leaves the block as it was
      continue;
    }
    // What set accepts, check passes.
    if (bcfg::check(image)) __builtin_trap();
  }
  return 0;
}
