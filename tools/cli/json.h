// JSON text for the tools' machine-readable output.
#pragma once

#include <string>
#include <string_view>

namespace tools {

// `s` (UTF-8) as a JSON string literal: quotes, backslashes and control characters escaped.
std::string json_string(std::string_view s);

}  // namespace tools
