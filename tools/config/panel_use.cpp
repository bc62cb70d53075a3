#include "config/panel_use.h"

#include <algorithm>

namespace bcfg {

int shown_buttons(const Image& config) {
  if (number(config, "FUNCTION_KEY_ENABLED") == 0) return 0;
  return int(std::clamp<int64_t>(number(config, "FUNCTION_KEY_COUNT"), 1, 5));
}

std::optional<std::string> unused_reason(const Image& config, std::string_view box) {
  auto off = [&](const char* name) -> std::optional<std::string> {
    if (number(config, name) != 0) return std::nullopt;
    return std::string(name) + " is off";
  };
  if (box == "rcCover") return off("COVER_ENABLED");
  if (box == "rcBAR") return off("IS_PROGBAR_EN");
  if (box.starts_with("FUNCTION_KEY_RECT")) {
    if (auto reason = off("FUNCTION_KEY_ENABLED")) return reason;
    const int k = box.back() - '0';
    if (k > shown_buttons(config))
      return "FUNCTION_KEY_COUNT is " + std::to_string(number(config, "FUNCTION_KEY_COUNT"));
    return std::nullopt;
  }
  return std::nullopt;  // rcFON: the background, an image or a filled box, is always drawn
}

}  // namespace bcfg
