// The configuration as the editor's window lists it: the block's groups, nested as the block nests
// them, and in each its items with their kind, value names, limits, choices and labels. Built once
// from the catalogue (src/shell/config/catalogue.h) and the English labels (bcfg_labels.h); the
// values themselves live in an editor::Model.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "shell/config/catalogue.h"

namespace editor {

// What a node is, and so which widget edits it.
enum class Kind {
  Group,     // a group of nodes
  Checkbox,  // 0 or 1
  Integer,   // min..max
  List,      // the index of one of `choices`
  Colour,    // 0xAARRGGBB
  Rect,      // x1, x2, y1, y2 (left, right, top, bottom), 0..65535 each
  Point,     // x, y: `name` is X_..._POS, `name2` Y_..._POS
  Font,      // a font id of the phone (editor::phone_fonts offers them)
  Key,       // key code and press mode: `name` is KEYRUN, `name2` KEYRUNMODE
};

struct Node {
  Kind kind = Kind::Group;
  // The item's place in config_catalogue (a group's: its opening item's); -1 for the root.
  int index = -1;
  // The value's name (a point's X_..._POS, the key's KEYRUN); empty for a group.
  std::string_view name;
  // The second value's name (a point's Y_..._POS, the key's KEYRUNMODE); else empty.
  std::string_view name2;
  std::string_view english;  // the English label
  std::string_view label;    // the block's own label, in UTF-8
  int64_t min = 0, max = 0;  // Integer: its limits; Checkbox: 0, 1; List: 0, choices - 1
  std::vector<std::string_view> choices;          // List: the block's texts of its choices (UTF-8)
  std::vector<std::string_view> english_choices;  // List: the same in English
  std::vector<Node> children;                     // Group: its items and groups, in block order
};

// The root: a group (index -1, "Configuration") holding the hot key and the block's top groups.
const Node& tree();
// The item node of a value name (either name of a point or the key); null for an unknown name.
const Node* node(std::string_view name);
// The node of the catalogue item at `index` (a group's opening item or a value's item); null for
// a closing item or an index out of range.
const Node* node_at(int index);
// The nodes from the root down to the node at `index` (the root first, that node last): the
// groups the window opens to show it. Empty when there is no such node.
std::vector<const Node*> path_to(int index);

}  // namespace editor
