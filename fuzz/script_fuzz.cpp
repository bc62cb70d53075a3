// tunestrip-sim's script reader: a whole script parsed, and every command written back as text.
#include <string_view>

#include "sim/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    for (const sim::Command& c : sim::parse_script(text)) sim::describe(c);
  } catch (const sim::ScriptError&) {
  }
  return 0;
}
