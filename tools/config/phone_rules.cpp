#include "config/phone_rules.h"

#include <algorithm>

#include "screen/fonts.h"

namespace bcfg {

std::string rect_text(const RECT& r) {
  return std::to_string(r.x1) + "," + std::to_string(r.x2) + "," + std::to_string(r.y1) + "," +
         std::to_string(r.y2);
}

std::optional<std::string> font_fault(int64_t font_id) {
  if (font_id >= INT32_MIN && font_id <= INT32_MAX && host::Fonts::known(int(font_id)))
    return std::nullopt;
  return std::to_string(font_id) +
         " is not a font of the phone; use 1..20 (regular), 21..40 (bold), 0x2008..0x2048 "
         "(regular) or 0x2108..0x2148 (bold), e.g. 18";
}

std::optional<std::string> box_fault(const std::string& name, const RECT& r, Screen screen) {
  if (r.x1 > r.x2 || r.y1 > r.y2) {
    const RECT turned{std::min(r.x1, r.x2), std::max(r.x1, r.x2), std::min(r.y1, r.y2),
                      std::max(r.y1, r.y2)};
    const char* what = r.x1 > r.x2 ? "its right edge lies left of its left edge"
                                   : "its bottom edge lies above its top edge";
    return rect_text(r) + ": " + what +
           ", so nothing is drawn in it; the fields are left, right, top, bottom: " + name + "=" +
           rect_text(turned);
  }
  if (r.x1 == r.x2 || r.y1 == r.y2) return std::nullopt;
  if (r.x2 > screen.w || r.y2 > screen.h)
    return rect_text(r) + " reaches past the " + std::to_string(screen.w) + "x" +
           std::to_string(screen.h) + " screen, so part of it is never seen; keep right <= " +
           std::to_string(screen.w) + " and bottom <= " + std::to_string(screen.h);
  return std::nullopt;
}

}  // namespace bcfg
