// What the phone itself cannot take, whatever the item's own limits allow: a font id it has no
// font for, and a box that is inside out or reaches past its screen. `tunestrip-bcfg set` and
// the simulator's `config` refuse these (bcfg::assign), and the skin check calls them errors in
// the same words, so that the two never disagree.
#pragma once

#include <optional>
#include <string>

#include "config/bcfg.h"

namespace bcfg {

// "x1,x2,y1,y2", as a rectangle is written and taken.
std::string rect_text(const RECT& r);

// Why the phone has no font for `font_id` ("1000 is not a font of the phone; use ..."), or
// nothing when it has one.
std::optional<std::string> font_fault(int64_t font_id);

// Why a box cannot be drawn as given on `screen`, or nothing when it can: its right edge left of
// its left, its bottom above its top (with the box turned the right way round as the fix), or
// reaching past the screen. A box of no area (0,0,0,0 for an unused one) is no fault here.
// `name` is the box's item, named in the fix.
std::optional<std::string> box_fault(const std::string& name, const RECT& r, Screen screen);

}  // namespace bcfg
