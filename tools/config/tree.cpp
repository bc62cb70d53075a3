#include "config/tree.h"

#include "config/bcfg.h"
#include "config/bcfg_labels.h"

namespace editor {
namespace {

Kind kind_of(uint32_t type) {
  switch (type) {
    case ITEM_CHECKBOX: return Kind::Checkbox;
    case ITEM_INT: return Kind::Integer;
    case ITEM_LIST: return Kind::List;
    case ITEM_COLOR: return Kind::Colour;
    case ITEM_RECT: return Kind::Rect;
    case ITEM_POINT: return Kind::Point;
    case ITEM_FONT: return Kind::Font;
    case ITEM_KEY: return Kind::Key;
    default: return Kind::Group;
  }
}

Node item_node(size_t i) {
  const CFG_ITEM& it = config_catalogue[i];
  Node n;
  n.kind = kind_of(it.type);
  n.index = int(i);
  n.english = bcfg::english_label(it);
  n.label = it.label;
  if (it.type == ITEM_LEVEL) return n;
  n.name = it.name;
  if (it.name2) n.name2 = it.name2;
  if (it.type == ITEM_INT) {
    n.min = it.field1;
    n.max = it.field2;
  } else if (it.type == ITEM_CHECKBOX) {
    n.max = 1;
  } else if (it.type == ITEM_LIST) {
    n.max = it.field2 - 1;
    n.choices.assign(it.choices, it.choices + it.field2);
    auto english = bcfg::english_choices(it);
    n.english_choices.assign(english.begin(), english.end());
  }
  return n;
}

// The catalogue's items from `i` on, up to the closing item of the group that holds them (or the
// end), as nodes; `i` ends past that closing item.
std::vector<Node> members(size_t& i) {
  std::vector<Node> out;
  while (i < config_catalogue.size()) {
    const CFG_ITEM& it = config_catalogue[i];
    if (it.type == ITEM_LEVEL && it.field1 == 0) {
      ++i;
      break;
    }
    Node n = item_node(i++);
    if (it.type == ITEM_LEVEL) n.children = members(i);
    out.push_back(std::move(n));
  }
  return out;
}

Node build() {
  Node root;
  root.english = "Configuration";
  size_t i = 0;
  root.children = members(i);
  return root;
}

bool find_path(const Node& n, int index, std::vector<const Node*>& path) {
  path.push_back(&n);
  if (n.index == index) return true;
  for (const Node& c : n.children)
    if (find_path(c, index, path)) return true;
  path.pop_back();
  return false;
}

}  // namespace

const Node& tree() {
  static const Node root = build();
  return root;
}

std::vector<const Node*> path_to(int index) {
  std::vector<const Node*> path;
  if (index >= 0) find_path(tree(), index, path);
  return path;
}

const Node* node_at(int index) {
  auto path = path_to(index);
  return path.empty() ? nullptr : path.back();
}

const Node* node(std::string_view name) {
  const bcfg::Value* v = bcfg::find(name);
  return v ? node_at(int(v->item - config_catalogue.data())) : nullptr;
}

}  // namespace editor
