#include "config/bcfg_labels.h"

#include "config/bcfg.h"

namespace bcfg {

std::string_view english_label(const CFG_ITEM& item) { return item.english; }

std::string_view english_label(std::string_view name) {
  const Value* v = find(name);
  return v ? english_label(*v->item) : std::string_view();
}

std::string_view english_field(std::string_view name) {
  const Value* v = find(name);
  if (!v || !v->item->name2) return {};
  if (v->item->type == ITEM_POINT) return v->second ? "y" : "x";
  return v->second ? "press mode" : "key";
}

std::string english_text(std::string_view name) {
  std::string out(english_label(name));
  const std::string_view field = english_field(name);
  if (!field.empty()) {
    out += " (";
    out += field;
    out += ")";
  }
  return out;
}

std::span<const char* const> english_choices(const CFG_ITEM& item) {
  // Every list of the block is a button's function list.
  if (item.type != ITEM_LIST || item.choices != cfg_function_choices) return {};
  return cfg_function_choices_english;
}

}  // namespace bcfg
