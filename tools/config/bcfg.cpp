#include "config/bcfg.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "cli/json.h"
#include "cli/suggest.h"
#include "config/bcfg_labels.h"
#include "config/phone_rules.h"
#include "core/atomic_file.h"
#include "core/file_kind.h"
#include "core/wstr.h"

namespace fs = std::filesystem;

namespace bcfg {
namespace {

uint32_t load32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t load16(std::span<const uint8_t> b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}
void store32(Image& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k));
}
void store16(Image& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

std::string hex32(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

std::string describe(const CFG_ITEM& it) {
  if (it.type == ITEM_LEVEL) return it.field1 ? "the opening of a group" : "the closing of a group";
  return std::string("the ") + type_name(it.type) + " " + it.name;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

int64_t parse_in(std::string_view name, std::string_view text, int64_t lo, int64_t hi) {
  auto v = parse_number(text);
  if (!v) throw Error(std::string(name) + ": '" + std::string(text) + "' is not a number");
  if (*v < lo || *v > hi)
    throw Error(std::string(name) + ": " + std::string(trim(text)) + " is out of range " +
                std::to_string(lo) + ".." + std::to_string(hi));
  return *v;
}

// ASCII letters compared without case; other bytes (the block's Cyrillic) as they are.
bool same_text(std::string_view a, std::string_view b) {
  return host::ascii_lower(std::string(a)) == host::ascii_lower(std::string(b));
}

// A list's value: its index, its choice in the block's own words or in English (any case).
uint32_t parse_choice(std::string_view name, std::string_view text, const CFG_ITEM& it) {
  const auto english = english_choices(it);
  for (int32_t c = 0; c < it.field2; ++c)
    if (same_text(text, it.choices[c]) || (size_t(c) < english.size() && same_text(text, english[size_t(c)])))
      return uint32_t(c);
  auto n = parse_number(text);
  if (n && *n >= 0 && *n < it.field2) return uint32_t(*n);
  std::string choices;
  for (int32_t c = 0; c < it.field2; ++c) {
    choices += (c ? ", " : "") + std::to_string(c) + " '";
    choices += size_t(c) < english.size() ? english[size_t(c)] : it.choices[c];
    choices += "'";
  }
  throw Error(std::string(name) + ": '" + std::string(text) + "' is not one of its choices: " + choices);
}

// A colour: #RRGGBB (opaque), #AARRGGBB, or a number (0xAARRGGBB).
uint32_t parse_colour(std::string_view name, std::string_view text) {
  if (!text.empty() && text[0] == '#') {
    const std::string_view digits = text.substr(1);
    bool hex = (digits.size() == 6 || digits.size() == 8) &&
               digits.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
    if (!hex)
      throw Error(std::string(name) + ": '" + std::string(text) + "' is not a colour #RRGGBB or #AARRGGBB");
    const uint32_t v = uint32_t(std::stoul(std::string(digits), nullptr, 16));
    return digits.size() == 6 ? 0xFF000000u | v : v;
  }
  return uint32_t(parse_in(name, text, 0, 0xFFFFFFFFll));
}

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// Label of the item at catalogue index `i` as the block holds it.
std::string label_at(const Image& image, size_t i) {
  const CFG_ITEM& it = config_catalogue[i];
  return cp1251_to_utf8(std::span<const uint8_t>(image).subspan(it.offset + 4, CFG_LABEL_SIZE));
}

std::string io_error(const fs::path& path, std::string_view what, int err) {
  return path.string() + ": " + std::string(what) + ": " + std::strerror(err);
}

using tools::json_string;

}  // namespace

std::optional<int64_t> parse_number(std::string_view s) {
  s = trim(s);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  // Digits too many for any item are kept as a number far out of every range.
  constexpr uint64_t kHuge = uint64_t(1) << 40;
  uint64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (end != s.data() + s.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range || (ec == std::errc() && v > kHuge))
    v = kHuge;
  else if (ec != std::errc())
    return std::nullopt;
  return neg ? -int64_t(v) : int64_t(v);
}

Error unknown_name(std::string_view name) {
  std::vector<std::string_view> names;
  for (const Value& v : values()) names.push_back(v.name);
  return Error("unknown name '" + tools::shortened(name) + "'" + tools::did_you_mean(name, names));
}

// ---------------------------------------------------------------------------------------------

const std::vector<Value>& values() {
  static const std::vector<Value> all = [] {
    std::vector<Value> v;
    for (const CFG_ITEM& it : config_catalogue) {
      if (!it.name) continue;
      v.push_back({it.name, &it, it.offset + CFG_HEADER_SIZE, false});
      if (it.name2) v.push_back({it.name2, &it, it.offset + CFG_HEADER_SIZE + 4, true});
    }
    return v;
  }();
  return all;
}

const Value* find(std::string_view name) {
  for (const Value& v : values())
    if (v.name == name) return &v;
  return nullptr;
}

const char* type_name(uint32_t type) {
  switch (type) {
    case ITEM_INT: return "integer";
    case ITEM_LIST: return "list";
    case ITEM_POINT: return "point";
    case ITEM_LEVEL: return "group";
    case ITEM_CHECKBOX: return "checkbox";
    case ITEM_RECT: return "rectangle";
    case ITEM_COLOR: return "colour";
    case ITEM_FONT: return "font";
    case ITEM_KEY: return "key";
    default: return "unknown";
  }
}

std::string limits(const CFG_ITEM& it) {
  switch (it.type) {
    case ITEM_INT: return std::to_string(it.field1) + ".." + std::to_string(it.field2);
    case ITEM_CHECKBOX: return "0..1";
    case ITEM_LIST: return "0.." + std::to_string(it.field2 - 1);
    case ITEM_RECT: return "0..65535 each";
    case ITEM_COLOR: return "0x00000000..0xFFFFFFFF";
    case ITEM_POINT: return std::to_string(CFG_POINT_MIN) + ".." + std::to_string(CFG_POINT_MAX);
    default: return "32-bit signed";
  }
}

const Image& default_image() { return config_default_image; }

std::string cp1251_to_utf8(std::span<const uint8_t> bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  std::string_view raw(reinterpret_cast<const char*>(bytes.data()), n);
  return host::utf16_to_utf8(host::codepage_to_utf16(raw, "cp1251"));
}

// ---------------------------------------------------------------------------------------------

std::optional<Fault> check(std::span<const uint8_t> b, bool with_values) {
  if (b.size() != kSize)
    return Fault{uint32_t(std::min<size_t>(b.size(), kSize)),
                 "the file holds " + std::to_string(b.size()) + " bytes, a configuration holds " +
                     std::to_string(kSize)};

  // The items one by one: each header on its own (known type, ended label, sensible fields,
  // value inside the file), then against the catalogue's item at the same place, so that the
  // first item out of place is the one reported.
  size_t at = 0;
  size_t index = 0;
  int depth = 0;
  while (at < b.size()) {
    const uint32_t off = uint32_t(at);
    if (at + CFG_HEADER_SIZE > b.size())
      return Fault{off, "an item header starts here but the file ends after " +
                            std::to_string(b.size() - at) + " of its 44 bytes"};
    uint32_t type = load32(b, at);
    int32_t f1 = int32_t(load32(b, at + 36));
    int32_t f2 = int32_t(load32(b, at + 40));
    int64_t size = cfg_value_size(type, f2);
    if (cfg_value_size(type, 0) < 0) return Fault{off, "unknown item type " + std::to_string(type)};
    bool terminated = false;
    for (size_t k = 0; k < CFG_LABEL_SIZE; ++k) terminated |= b[at + 4 + k] == 0;
    if (!terminated) return Fault{off + 4, "the item's label has no ending zero byte"};
    if (type == ITEM_LIST && (f2 <= 0 || size > int64_t(b.size())))
      return Fault{off + 40, "a list with " + std::to_string(f2) + " choices"};
    if (type == ITEM_LEVEL) {
      if (f1 != 0 && f1 != 1)
        return Fault{off + 36, "a group item whose first field is " + std::to_string(f1) +
                                   " (1 opens a group, 0 closes one)"};
      if (f1 == 1) {
        ++depth;
      } else if (depth == 0) {
        return Fault{off, "closes a group that was never opened"};
      } else {
        --depth;
      }
    }
    if (at + CFG_HEADER_SIZE + size > b.size())
      return Fault{off, std::string("the ") + type_name(type) +
                            " item's value runs past the end of the file"};

    if (index >= config_catalogue.size())
      return Fault{off, "an item after the configuration's last item"};
    const CFG_ITEM& it = config_catalogue[index];
    if (off != it.offset)
      return Fault{off, "the items no longer follow the configuration's layout: expected " +
                            describe(it) + " at byte " + std::to_string(it.offset)};
    if (type != it.type)
      return Fault{off, std::string("a ") + type_name(type) +
                            " item where the configuration has " + describe(it)};
    if (type == ITEM_LEVEL && f1 != it.field1) return Fault{off + 36, "expected " + describe(it)};
    if (type == ITEM_LIST && f2 != it.field2)
      return Fault{off + 40, std::string(it.name) + " has " + std::to_string(f2) +
                                 " choices where the configuration has " +
                                 std::to_string(it.field2)};
    ++index;
    at += CFG_HEADER_SIZE + size_t(size);
  }
  if (depth != 0)
    return Fault{uint32_t(b.size()), std::to_string(depth) + " group(s) left open at the end"};
  if (index != config_catalogue.size())
    return Fault{uint32_t(b.size()), "the file ends before the configuration's last item"};
  if (!with_values) return std::nullopt;

  // The values against their items.
  for (const Value& v : values())
    if (auto fault = value_fault(b, v)) return Fault{v.offset, std::string(v.name) + " " + *fault};
  return std::nullopt;
}

std::optional<std::string> value_fault(std::span<const uint8_t> b, const Value& v) {
  const CFG_ITEM& it = *v.item;
  int32_t x = int32_t(load32(b, v.offset));
  if (it.type == ITEM_CHECKBOX && x != 0 && x != 1)
    return "is " + std::to_string(x) + ", a checkbox is 0 or 1";
  if (it.type == ITEM_LIST && (x < 0 || x >= it.field2))
    return "is " + std::to_string(x) + ", not a choice 0.." + std::to_string(it.field2 - 1);
  if (it.type == ITEM_POINT && (x < CFG_POINT_MIN || x > CFG_POINT_MAX))
    return "is " + std::to_string(x) + ", out of range " + limits(it) + " (a place on the panel)";
  if (it.type == ITEM_INT && (x < it.field1 || x > it.field2))
    return "is " + std::to_string(x) + ", out of range " + std::to_string(it.field1) + ".." +
           std::to_string(it.field2);
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------

std::vector<uint8_t> read_bytes(const fs::path& path) {
  std::error_code ec;
  // A pipe handed over open (`check <(...)`) is read, as far as a configuration goes.
  if (const char* kind = host::special_file_kind(path); kind && !host::is_given_pipe(path))
    throw Error(path.string() + ": is " + kind + ", not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(io_error(path, "cannot open", errno));
  // No more than one byte past what a configuration holds: enough to tell that a file is too long.
  std::vector<uint8_t> bytes(kSize + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  if (in.bad()) throw Error(io_error(path, "cannot read", errno));
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

Image read_file(const fs::path& path) {
  std::vector<uint8_t> bytes = read_bytes(path);
  if (bytes.size() > kSize)
    throw Error(path.string() + ": more than the " + std::to_string(kSize) +
                " bytes a configuration file holds");
  if (bytes.size() != kSize)
    throw Error(path.string() + ": " + std::to_string(bytes.size()) +
                " bytes, but a configuration file holds exactly " + std::to_string(kSize));
  if (auto fault = check(bytes, false))
    throw Error(path.string() + ": byte " + std::to_string(fault->offset) + ": " + fault->message +
                " (see tunestrip-bcfg check)");
  Image image;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  return image;
}

void write_file(const fs::path& path, const Image& image) {
  try {
    host::AtomicFile out(path, /*durable=*/true);
    out.write(image.data(), image.size());
    out.commit();
  } catch (const host::OutputError& e) {
    throw Error(e.what());
  }
}

// ---------------------------------------------------------------------------------------------

std::string get(const Image& image, std::string_view name) {
  const Value* v = find(name);
  if (!v) throw unknown_name(name);
  std::span<const uint8_t> b(image);
  switch (v->item->type) {
    case ITEM_COLOR:
      return hex32(load32(b, v->offset));
    case ITEM_RECT:
      return std::to_string(load16(b, v->offset)) + "," + std::to_string(load16(b, v->offset + 2)) +
             "," + std::to_string(load16(b, v->offset + 4)) + "," +
             std::to_string(load16(b, v->offset + 6));
    default:
      return std::to_string(int32_t(load32(b, v->offset)));
  }
}

int64_t number(const Image& image, std::string_view name) {
  const Value* v = find(name);
  if (!v || v->item->type == ITEM_RECT || v->item->type == ITEM_LEVEL)
    throw Error("'" + std::string(name) + "' is not a number's name");
  uint32_t raw = load32(image, v->offset);
  return v->item->type == ITEM_COLOR ? int64_t(raw) : int64_t(int32_t(raw));
}

RECT rect(const Image& image, std::string_view name) {
  const Value* v = find(name);
  if (!v || v->item->type != ITEM_RECT)
    throw Error("'" + std::string(name) + "' is not a rectangle");
  std::span<const uint8_t> b(image);
  return RECT{load16(b, v->offset), load16(b, v->offset + 2), load16(b, v->offset + 4),
              load16(b, v->offset + 6)};
}

void set(Image& image, std::string_view name, std::string_view text) {
  const Value* v = find(name);
  if (!v) throw unknown_name(name);
  const CFG_ITEM& it = *v->item;
  text = trim(text);
  switch (it.type) {
    case ITEM_INT:
      store32(image, v->offset, uint32_t(parse_in(name, text, it.field1, it.field2)));
      break;
    case ITEM_CHECKBOX:
      store32(image, v->offset, uint32_t(parse_in(name, text, 0, 1)));
      break;
    case ITEM_LIST:
      store32(image, v->offset, parse_choice(name, text, it));
      break;
    case ITEM_COLOR:
      store32(image, v->offset, parse_colour(name, text));
      break;
    case ITEM_RECT: {
      uint16_t r[4];
      std::string_view rest = text;
      for (int k = 0; k < 4; ++k) {
        size_t comma = rest.find(',');
        if ((k < 3) != (comma != std::string_view::npos))
          throw Error(std::string(name) + ": '" + std::string(text) +
                      "' is not a rectangle x1,x2,y1,y2");
        std::string_view part = k < 3 ? rest.substr(0, comma) : rest;
        auto n = parse_number(part);
        if (!n)
          throw Error(std::string(name) + ": '" + std::string(text) +
                      "' is not a rectangle x1,x2,y1,y2");
        if (*n < 0 || *n > 0xFFFF)
          throw Error(std::string(name) + ": " + std::string(trim(part)) +
                      " is out of range 0..65535");
        r[k] = uint16_t(*n);
        if (k < 3) rest = rest.substr(comma + 1);
      }
      for (int k = 0; k < 4; ++k) store16(image, v->offset + 2 * k, r[k]);
      break;
    }

    case ITEM_POINT:
      store32(image, v->offset, uint32_t(int32_t(parse_in(name, text, CFG_POINT_MIN, CFG_POINT_MAX))));
      break;
    default:  // font, key code and press mode: any 32-bit signed value
      store32(image, v->offset, uint32_t(int32_t(parse_in(name, text, kInt32Min, kInt32Max))));
      break;
  }
}

void assign(Image& image, std::string_view assignment, Screen screen) {
  size_t eq = assignment.find('=');
  if (eq == std::string_view::npos)
    throw Error("'" + std::string(assignment) + "' is not NAME=VALUE");
  const std::string name(trim(assignment.substr(0, eq)));
  Image next = image;
  set(next, name, assignment.substr(eq + 1));
  // What the phone cannot take is refused in the words of the skin check, which calls it an error.
  std::optional<std::string> fault;
  const uint32_t type = find(name)->item->type;
  if (type == ITEM_RECT) fault = box_fault(name, rect(next, name), screen);
  if (type == ITEM_FONT) fault = font_fault(number(next, name));
  if (fault) throw Error(name + ": " + *fault);
  image = next;
}

// ---------------------------------------------------------------------------------------------

std::string dump(const Image& image) {
  std::string out;
  for (const Value& v : values()) {
    out += v.name;
    out += " = ";
    out += get(image, v.name);
    out += '\n';
  }
  return out;
}

std::string dump_json(const Image& image) {
  std::string out = "[\n";
  bool first = true;
  for (const Value& v : values()) {
    const CFG_ITEM& it = *v.item;
    size_t index = size_t(&it - config_catalogue.data());
    std::vector<std::string> path;
    for (int32_t p = it.parent; p >= 0; p = config_catalogue[size_t(p)].parent)
      path.insert(path.begin(), label_at(image, size_t(p)));

    std::string value;
    switch (it.type) {
      case ITEM_COLOR:
        value = json_string(get(image, v.name));
        break;
      case ITEM_RECT:
        value = "[" + get(image, v.name) + "]";
        break;
      default:
        value = get(image, v.name);
    }
    out += first ? "  {" : ",\n  {";
    first = false;
    out += "\"name\": " + json_string(v.name);
    out += ", \"type\": " + json_string(type_name(it.type));
    out += ", \"value\": " + value;
    if (it.type == ITEM_LIST) {
      int32_t chosen = int32_t(load32(image, v.offset));
      if (chosen >= 0 && chosen < it.field2) {
        auto text = std::span<const uint8_t>(image).subspan(
            v.offset + 4 + CFG_LIST_TEXT_SIZE * size_t(chosen), CFG_LIST_TEXT_SIZE);
        out += ", \"choice\": " + json_string(cp1251_to_utf8(text));
        const auto english = english_choices(it);
        if (size_t(chosen) < english.size())
          out += ", \"choice_english\": " + json_string(english[size_t(chosen)]);
      }
    }
    out += ", \"label\": " + json_string(label_at(image, index));
    out += ", \"english\": " + json_string(english_text(v.name));
    out += ", \"group\": " + json_string(path.empty() ? "" : path.back());
    out += ", \"path\": [";
    for (size_t k = 0; k < path.size(); ++k) out += (k ? ", " : "") + json_string(path[k]);
    out += "], \"offset\": " + std::to_string(v.offset) + "}";
  }
  out += "\n]\n";
  return out;
}

// ---------------------------------------------------------------------------------------------

void set_values(const fs::path& path, const std::vector<std::string>& assignments) {
  // Another set of the same file waits from before this one reads until after it has replaced
  // the file, so that neither loses the other's change.
  const host::FileLock lock(path);
  Image image = read_file(path);
  for (const std::string& a : assignments) assign(image, a);
  write_file(path, image);
}

std::string get_value(const fs::path& path, std::string_view name) {
  if (!find(name)) throw unknown_name(name);
  return get(read_file(path), name);
}

void write_default(const fs::path& path) { write_file(path, default_image()); }

}  // namespace bcfg
