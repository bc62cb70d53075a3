// What the editor's window offers for a font or the hot key: the phone's font ids with their
// size and weight, its keys and its press modes. Other values are still taken when typed (the
// block holds any 32-bit number there); these are the ones the phone knows.
#pragma once

#include <string_view>
#include <vector>

namespace editor {

// A font id the phone has (host::Fonts), with the size and weight it draws in.
struct FontChoice {
  int id = 0;
  int pixel_size = 0;
  bool bold = false;
};
// Every font id the phone knows, in ascending order (1..40, 0x2008..0x2048, 0x2108..0x2148).
const std::vector<FontChoice>& phone_fonts();

// A key code or a press mode with its name ("hot", "enter", "5"; "down", "short press").
struct KeyChoice {
  int code = 0;
  std::string_view name;
};
// The keys of the phone's keypad, in ascending order of code.
const std::vector<KeyChoice>& phone_keys();
// The press modes a key press delivers, in the order it delivers them: 0 down, 1 short press,
// 2 long press, 3 up.
const std::vector<KeyChoice>& press_modes();

}  // namespace editor
