// The pieces of the skin check (check.h), shared by its files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/bcfg.h"
#include "config/panel_use.h"
#include "config/phone_rules.h"
#include "skin/check.h"

namespace skin::detail {

// A box the panel draws something in: width and height above 0 (an inside-out box, whose right
// lies left of its left or bottom above its top, has none).
inline bool has_area(const RECT& r) { return r.x1 < r.x2 && r.y1 < r.y2; }
inline int width(const RECT& r) { return int(r.x2) - int(r.x1); }
inline int height(const RECT& r) { return int(r.y2) - int(r.y1); }
using bcfg::rect_text;
// "WxH".
std::string size_text(int w, int h);

using bcfg::shown_buttons;
using bcfg::unused_reason;

// The checks of the configuration's values, boxes, labels and buttons (check_config.cpp).
void check_config(const bcfg::Image& config, int screen_w, int screen_h, std::vector<Finding>& out);
// The labels whose longest text reaches into the cover, a button or another label
// (check_overlaps.cpp).
void check_overlaps(const bcfg::Image& config, int screen_w, std::vector<Finding>& out);
// The checks of the 14 images in `dir` against the boxes they are drawn in
// (check_images.cpp).
void check_images(const std::filesystem::path& dir, const bcfg::Image& config,
                  std::vector<Finding>& out);

}  // namespace skin::detail
