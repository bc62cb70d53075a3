// The pieces of the skin check (skin_check.h), shared by its files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/bcfg.h"
#include "tools/common/skin_check.h"

namespace skin::detail {

// A box the panel draws something in: width and height above 0 (an inside-out box, whose right
// lies left of its left or bottom above its top, has none).
inline bool has_area(const RECT& r) { return r.x1 < r.x2 && r.y1 < r.y2; }
inline int width(const RECT& r) { return int(r.x2) - int(r.x1); }
inline int height(const RECT& r) { return int(r.y2) - int(r.y1); }
// "x1,x2,y1,y2", as tunestrip-bcfg writes and takes a rectangle.
std::string rect_text(const RECT& r);
// "WxH".
std::string size_text(int w, int h);

// How many buttons the panel draws: 0 while FUNCTION_KEY_ENABLED is off, else
// FUNCTION_KEY_COUNT held to 1..5 (with a count of 0 button 1 is still drawn, as the selected
// one).
int shown_buttons(const bcfg::Image& config);

// Why the panel draws nothing in the box `box` (rcFON, rcCover, rcBAR, FUNCTION_KEY_RECTn) with
// this configuration ("COVER_ENABLED is off"), or nothing when it draws in it.
std::optional<std::string> unused_reason(const bcfg::Image& config, std::string_view box);

// The checks of the configuration's values, boxes, labels and buttons (skin_check_config.cpp).
void check_config(const bcfg::Image& config, int screen_w, int screen_h, std::vector<Finding>& out);
// The checks of the 14 images in `dir` against the boxes they are drawn in
// (skin_check_images.cpp).
void check_images(const std::filesystem::path& dir, const bcfg::Image& config,
                  std::vector<Finding>& out);

}  // namespace skin::detail
