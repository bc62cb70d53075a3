// What the panel does with a configuration's boxes: how many buttons it draws, and why it draws
// nothing in a box. The skin check and the editor both ask.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/bcfg.h"

namespace bcfg {

// How many buttons the panel draws: 0 while FUNCTION_KEY_ENABLED is off, else
// FUNCTION_KEY_COUNT held to 1..5 (with a count of 0 button 1 is still drawn, as the selected
// one).
int shown_buttons(const Image& config);

// Why the panel draws nothing in the box `box` (rcFON, rcCover, rcBAR, FUNCTION_KEY_RECTn) with
// this configuration ("COVER_ENABLED is off"), or nothing when it draws in it.
std::optional<std::string> unused_reason(const Image& config, std::string_view box);

}  // namespace bcfg
