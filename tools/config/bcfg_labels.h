// English labels of the configuration's items, groups and list choices, for the editor's window
// and the tool's listings. The block's own labels are Russian (CP1251 in the file, UTF-8 in the
// catalogue); the catalogue writes the English beside them (shell/config/catalogue.h), and they
// never go into a file.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "shell/config/catalogue.h"

namespace bcfg {

// The English label of a value's item, found by any of its value names ("Position" for both
// X_TITLE_POS and Y_TITLE_POS); empty for an unknown name.
std::string_view english_label(std::string_view name);
// The English label of a catalogue item: a value's item or a group's opening item; empty for a
// group's closing item.
std::string_view english_label(const CFG_ITEM& item);
// What a value name stands for within an item of two values: "x" and "y" of a point, "key" and
// "press mode" of the hot key; empty for any other name.
std::string_view english_field(std::string_view name);
// A value's English label with its field when its item has two values: "Position (x)", "Hot
// key (press mode)", "Slide speed (pixels per step)"; empty for an unknown name.
std::string english_text(std::string_view name);
// The English texts of a list's choices, in index order; empty for an item that is no list.
std::span<const char* const> english_choices(const CFG_ITEM& item);

}  // namespace bcfg
