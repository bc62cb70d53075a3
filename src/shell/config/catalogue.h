// The configuration block's catalogue: every item of the block in block order, with its type,
// label, English label, header fields, value names, default and place. It is the one description
// of the block: the add-on's built-in block is generated from it at compile time, the named values
// are laid over it, and the configuration tool walks, checks, prints and edits files with it. The
// twelve label groups are the rows of panel_labels.h.
//
// The block is a gap-free sequence of items, all numbers little-endian. Each item is a 44-byte
// header (type, 32-byte CP1251 label, two 32-bit fields) followed by a value whose size depends on
// the type. Groups (level items) open and close around their members.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/fw_types.h"
#include "shell/config/panel_labels.h"

// Item types.
constexpr uint32_t ITEM_INT = 3;        // header: minimum, maximum; value: int32
constexpr uint32_t ITEM_LIST = 5;       // header: tag, n; value: int32 index + n texts of 32 bytes
constexpr uint32_t ITEM_POINT = 7;      // value: x, y (int32 each)
constexpr uint32_t ITEM_LEVEL = 9;      // header: 1 opens a group, 0 closes the innermost; no value
constexpr uint32_t ITEM_CHECKBOX = 11;  // value: int32, 0 or 1
constexpr uint32_t ITEM_RECT = 14;      // value: x1, x2, y1, y2 (uint16 each)
constexpr uint32_t ITEM_COLOR = 15;     // value: uint32 0xAARRGGBB
constexpr uint32_t ITEM_FONT = 16;      // value: int32 platform font id
constexpr uint32_t ITEM_KEY = 17;       // value: key code, press mode (int32 each)

constexpr uint32_t CFG_HEADER_SIZE = 44;
constexpr uint32_t CFG_LABEL_SIZE = 32;
constexpr uint32_t CFG_LIST_TEXT_SIZE = 32;
constexpr uint32_t CFG_FUNCTION_CHOICES = 5;  // choices of a button's function list

// A point's coordinates (a label's place) lie within these bounds: far beyond any screen, and far
// enough inside int32 that the panel's drawing arithmetic (slide offset, outline at +-1, label
// box) cannot overflow. The tool refuses and the checker reports values outside them; the add-on
// holds a hand-edited value to them.
constexpr int32_t CFG_POINT_MIN = -32768;
constexpr int32_t CFG_POINT_MAX = 32767;
constexpr int32_t cfg_clamp_point(int32_t v) {
  return v < CFG_POINT_MIN ? CFG_POINT_MIN : v > CFG_POINT_MAX ? CFG_POINT_MAX : v;
}

constexpr uint32_t CONFIG_SIZE = 7124;
constexpr uint32_t CONFIG_ITEM_COUNT = 134;

// Size of an item's value, or -1 for an unknown type or an impossible list size.
constexpr int64_t cfg_value_size(uint32_t type, int32_t field2) {
  switch (type) {
    case ITEM_INT:
    case ITEM_CHECKBOX:
    case ITEM_COLOR:
    case ITEM_FONT:
      return 4;
    case ITEM_POINT:
    case ITEM_RECT:
    case ITEM_KEY:
      return 8;
    case ITEM_LEVEL:
      return 0;
    case ITEM_LIST:
      return field2 < 0 ? -1 : 4 + int64_t(CFG_LIST_TEXT_SIZE) * field2;
    default:
      return -1;
  }
}

// An item header as it lies in the block.
struct CFG_HDR {
  uint32_t type;
  char label[CFG_LABEL_SIZE];
  int32_t field1;
  int32_t field2;
};
static_assert(sizeof(CFG_HDR) == CFG_HEADER_SIZE);

// ---------------------------------------------------------------------------------------------
// The items, in block order. Labels are written here in UTF-8 and stored as CP1251; the English
// label beside each is the tools' and never goes into a file.
//
//   X(KEY,   name, name2, label, english, code, mode)
//   X(OPEN,  id, label, english)                   X(CLOSE, id)
//   X(CHECK, name, label, english, default)        X(COLOR, name, label, english, default)
//   X(FONT,  name, label, english, default)        X(INT,   name, label, english, min, max, default)
//   X(POINT, xname, yname, label, english, x, y)   X(RECT,  name, label, english, x1, x2, y1, y2)
//   X(LIST,  name, label, english, tag, chosen)    (a button's function list)
// ---------------------------------------------------------------------------------------------

// A label's group (a row of panel_labels.h): whether it is shown, where its text starts, its
// colours and font.
#define TS_CFG_LABEL_GROUP(X, W, label, english, shown, x, y, font, layer, sample) \
  X(OPEN, grp_##W, label, english)                                                 \
  X(CHECK, IS_##W##_EN, "Включить", "Shown", shown)                                \
  X(POINT, X_##W##_POS, Y_##W##_POS, "Координаты", "Position", x, y)               \
  X(COLOR, W##_NORAMAL_COLOR, "Цвет текста", "Text colour", 0xFFFFFFFFu)           \
  X(COLOR, W##_BORDER_COLOR, "Цвет обводки", "Outline colour", 0xFF000000u)        \
  X(FONT, FONT_##W, "Шрифт", "Font", font)                                         \
  X(CLOSE, end_##W)

// A function button: its action (an index into the function list) and its rectangle.
#define TS_CFG_BUTTON_GROUP(X, n, label, tag, x1, x2, y1, y2)               \
  X(OPEN, grp_key##n, label, "Button " #n)                                  \
  X(LIST, FUNCTION_KEY##n, "Функция", "Action", tag, 0)                     \
  X(RECT, FUNCTION_KEY_RECT##n, "Координаты кнопки", "Box", x1, x2, y1, y2) \
  X(CLOSE, end_key##n)

#define TS_CONFIG_ITEMS(X)                                                                  \
  X(KEY, KEYRUN, KEYRUNMODE, "Клавиша запуска", "Hot key", 42, 0)                           \
  X(OPEN, grp_tags, "Теги", "Tags")                                                         \
  TS_CFG_TAG_LABELS(TS_CFG_LABEL_GROUP, X)                                                  \
  X(CLOSE, end_tags)                                                                        \
  X(OPEN, grp_mp3, "Информация об mp3", "Stream and time")                                  \
  TS_CFG_STREAM_LABELS(TS_CFG_LABEL_GROUP, X)                                               \
  X(CLOSE, end_mp3)                                                                         \
  X(OPEN, grp_fon, "Фон", "Background")                                                     \
  X(CHECK, DRAW_FROM_IMAGE, "Использовать картинку для фона",                               \
    "Draw the background image (Fon.png)", 1)                                               \
  X(COLOR, FON_NORAMAL_COLOR, "Цвет фона", "Fill colour", 0xA0000000u)                      \
  X(COLOR, FON_BORDER_COLOR, "Цвет обводки", "Frame colour", 0xFFFFFF00u)                   \
  X(RECT, rcFON, "Координаты", "Panel box", 0, 240, 240, 320)                               \
  X(CLOSE, end_fon)                                                                         \
  X(OPEN, grp_cover, "Обложка", "Cover")                                                    \
  X(CHECK, COVER_ENABLED, "Включить отображение обложки", "Shown", 1)                       \
  X(RECT, rcCover, "Координаты обложки", "Box", 171, 231, 241, 301)                         \
  X(CLOSE, end_cover)                                                                       \
  X(OPEN, grp_keys, "Кнопки", "Buttons")                                                    \
  X(INT, FUNCTION_KEY_COUNT, "Кол-во кнопок", "Number of buttons", 0, 5, 5)                 \
  X(CHECK, FUNCTION_KEY_ENABLED, "Включить кнопки", "Shown", 1)                             \
  TS_CFG_BUTTON_GROUP(X, 1, "Кнопка 1", 0, 138, 158, 300, 320)                              \
  TS_CFG_BUTTON_GROUP(X, 2, "Кнопка 2", 1, 158, 178, 300, 320)                              \
  TS_CFG_BUTTON_GROUP(X, 3, "Кнопка 3", 2, 178, 198, 300, 320)                              \
  TS_CFG_BUTTON_GROUP(X, 4, "Кнопка 4", 3, 198, 218, 300, 320)                              \
  TS_CFG_BUTTON_GROUP(X, 5, "Кнопка 5", 4, 218, 238, 300, 320)                              \
  X(COLOR, FUNCTION_KEY_BORDER_COLOR, "Цвет обводки выбраной кнопки",                       \
    "Frame of the selected button", 0xFFFFFFFFu)                                            \
  X(CLOSE, end_keys)                                                                        \
  X(OPEN, grp_bar, "Прогрессбар", "Progress bar")                                           \
  X(CHECK, IS_PROGBAR_EN, "Включить", "Shown", 0)                                           \
  X(RECT, rcBAR, "Координаты", "Box", 0, 0, 0, 0)                                           \
  X(COLOR, PROGBAR_NORAMAL_COLOR, "Цвет 1", "Bar colour", 0xFFFFFFFFu)                      \
  X(COLOR, PROGBAR_BORDER_COLOR, "Цвет 2", "Played part colour", 0xFF000000u)               \
  X(CLOSE, end_bar)                                                                         \
  X(OPEN, grp_other, "Прочее", "Other")                                                     \
  X(INT, HIDE_SPEED, "Скорость скрытия/показа", "Slide speed (pixels per step)", 1, 15, 15) \
  X(CHECK, FON_FROM_BUFFER_ENABLED, "Использовать заморозку фона",                          \
    "Freeze the screen behind the panel", 1)                                                \
  X(CLOSE, end_other)

// The choices of every button's function list, in index order (the action numbers of the keys),
// and the same in English for the tools.
inline constexpr const char* cfg_function_choices[CFG_FUNCTION_CHOICES] = {
    "След. трэк", "Пред. трэк", "Play/pause", "Развернуть плеер", "Скрыть панель"};
inline constexpr const char* cfg_function_choices_english[CFG_FUNCTION_CHOICES] = {
    "Next track", "Previous track", "Play/pause", "Bring the player forward", "Hide the panel"};

// ---------------------------------------------------------------------------------------------
// The block's memory layout: every header and value at its place in the file.
// ---------------------------------------------------------------------------------------------

#define TS_CFG_MEMBERS(kind, ...) TS_CFG_MEMBERS_##kind(__VA_ARGS__)
#define TS_CFG_MEMBERS_KEY(name, name2, label, english, code, mode) \
  CFG_HDR hdr_##name;                                               \
  int32_t name;                                                     \
  int32_t name2;
#define TS_CFG_MEMBERS_OPEN(id, label, english) CFG_HDR id;
#define TS_CFG_MEMBERS_CLOSE(id) CFG_HDR id;
#define TS_CFG_MEMBERS_CHECK(name, label, english, def) \
  CFG_HDR hdr_##name;                                   \
  int32_t name;
#define TS_CFG_MEMBERS_COLOR(name, label, english, def) \
  CFG_HDR hdr_##name;                                   \
  uint32_t name;
#define TS_CFG_MEMBERS_FONT(name, label, english, def) \
  CFG_HDR hdr_##name;                                  \
  int32_t name;
#define TS_CFG_MEMBERS_INT(name, label, english, lo, hi, def) \
  CFG_HDR hdr_##name;                                         \
  int32_t name;
#define TS_CFG_MEMBERS_POINT(xname, yname, label, english, x, y) \
  CFG_HDR hdr_##xname;                                           \
  int32_t xname;                                                 \
  int32_t yname;
#define TS_CFG_MEMBERS_RECT(name, label, english, x1, x2, y1, y2) \
  CFG_HDR hdr_##name;                                             \
  RECT name;
#define TS_CFG_MEMBERS_LIST(name, label, english, tag, chosen) \
  CFG_HDR hdr_##name;                                          \
  int32_t name;                                                \
  char name##_texts[CFG_FUNCTION_CHOICES][CFG_LIST_TEXT_SIZE];

struct CONFIG_BLOCK {
  TS_CONFIG_ITEMS(TS_CFG_MEMBERS)
};

static_assert(sizeof(CONFIG_BLOCK) == CONFIG_SIZE);
static_assert(alignof(CONFIG_BLOCK) == 4);

// Checkpoints of the file format.
static_assert(offsetof(CONFIG_BLOCK, KEYRUN) == 44);
static_assert(offsetof(CONFIG_BLOCK, KEYRUNMODE) == 48);
static_assert(offsetof(CONFIG_BLOCK, IS_ARTIST_EN) == 184);
static_assert(offsetof(CONFIG_BLOCK, X_ARTIST_POS) == 232);
static_assert(offsetof(CONFIG_BLOCK, rcFON) == 4444);
static_assert(offsetof(CONFIG_BLOCK, rcCover) == 4632);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY_COUNT) == 4772);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY1) == 4912);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY1_texts) == 4916);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY_RECT1) == 5120);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY5) == 6304);
static_assert(offsetof(CONFIG_BLOCK, FUNCTION_KEY_BORDER_COLOR) == 6608);
static_assert(offsetof(CONFIG_BLOCK, rcBAR) == 6792);
static_assert(offsetof(CONFIG_BLOCK, HIDE_SPEED) == 7028);
static_assert(offsetof(CONFIG_BLOCK, FON_FROM_BUFFER_ENABLED) == 7076);
static_assert(offsetof(CONFIG_BLOCK, end_other) == 7080);

// ---------------------------------------------------------------------------------------------
// The catalogue as data.
// ---------------------------------------------------------------------------------------------

struct CFG_ITEM {
  uint32_t type;
  const char* label;    // UTF-8; the block holds it in CP1251
  const char* english;  // the tools' English label, in no file; empty for a closing item
  int32_t field1;       // header fields as stored
  int32_t field2;
  const char* name;     // the value's name (x of a point, code of the key); null for a level
  const char* name2;    // y of a point, press mode of the key; else null
  uint32_t value[4];    // default: one value, x/y, code/mode, or x1/x2/y1/y2 (raw 32-bit bits)
  const char* const* choices;  // a list's texts (field2 of them), UTF-8
  uint32_t offset;      // byte offset of the item's header in the block
  int32_t parent;       // index of the group item that holds it, -1 at the top
};

#define TS_CFG_ENTRY(kind, ...) TS_CFG_ENTRY_##kind(__VA_ARGS__),
#define TS_CFG_AT(member) uint32_t(offsetof(CONFIG_BLOCK, member))
#define TS_CFG_ENTRY_KEY(name, name2, label, english, code, mode) \
  CFG_ITEM{ITEM_KEY, label, english, 0, 0, #name, #name2,         \
           {uint32_t(code), uint32_t(mode), 0, 0}, nullptr, TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_OPEN(id, label, english)                                         \
  CFG_ITEM{ITEM_LEVEL, label, english, 1, 0, nullptr, nullptr, {0, 0, 0, 0}, nullptr, \
           TS_CFG_AT(id), -1}
#define TS_CFG_ENTRY_CLOSE(id)                                                \
  CFG_ITEM{ITEM_LEVEL, "", "", 0, 0, nullptr, nullptr, {0, 0, 0, 0}, nullptr, \
           TS_CFG_AT(id), -1}
#define TS_CFG_ENTRY_CHECK(name, label, english, def)                                     \
  CFG_ITEM{ITEM_CHECKBOX, label, english, 0, 0, #name, nullptr, {uint32_t(def), 0, 0, 0}, \
           nullptr, TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_COLOR(name, label, english, def)                                  \
  CFG_ITEM{ITEM_COLOR, label, english, 0, 0, #name, nullptr, {uint32_t(def), 0, 0, 0}, \
           nullptr, TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_FONT(name, label, english, def)                                  \
  CFG_ITEM{ITEM_FONT, label, english, 0, 0, #name, nullptr, {uint32_t(def), 0, 0, 0}, \
           nullptr, TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_INT(name, label, english, lo, hi, def)                            \
  CFG_ITEM{ITEM_INT, label, english, lo, hi, #name, nullptr, {uint32_t(def), 0, 0, 0}, \
           nullptr, TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_POINT(xname, yname, label, english, x, y) \
  CFG_ITEM{ITEM_POINT, label, english, 0, 0, #xname, #yname,   \
           {uint32_t(x), uint32_t(y), 0, 0}, nullptr, TS_CFG_AT(hdr_##xname), -1}
#define TS_CFG_ENTRY_RECT(name, label, english, x1, x2, y1, y2)                        \
  CFG_ITEM{ITEM_RECT, label, english, 0, 0, #name, nullptr, {x1, x2, y1, y2}, nullptr, \
           TS_CFG_AT(hdr_##name), -1}
#define TS_CFG_ENTRY_LIST(name, label, english, tag, chosen)                              \
  CFG_ITEM{ITEM_LIST, label, english, tag, int32_t(CFG_FUNCTION_CHOICES), #name, nullptr, \
           {uint32_t(chosen), 0, 0, 0}, cfg_function_choices, TS_CFG_AT(hdr_##name), -1}

// Fills in each item's parent group.
template <size_t N>
constexpr std::array<CFG_ITEM, N> cfg_link(std::array<CFG_ITEM, N> items) {
  int32_t open[8] = {};
  int depth = 0;
  for (size_t i = 0; i < N; ++i) {
    items[i].parent = depth > 0 ? open[depth - 1] : -1;
    if (items[i].type == ITEM_LEVEL) {
      if (items[i].field1 == 1 && depth < 8) {
        open[depth++] = int32_t(i);
      } else if (items[i].field1 == 0 && depth > 0) {
        --depth;
        items[i].parent = depth > 0 ? open[depth - 1] : -1;  // a closing item sits beside its group
      }
    }
  }
  return items;
}

inline constexpr std::array<CFG_ITEM, CONFIG_ITEM_COUNT> config_catalogue =
    cfg_link(std::array<CFG_ITEM, CONFIG_ITEM_COUNT>{TS_CONFIG_ITEMS(TS_CFG_ENTRY)});

// ---------------------------------------------------------------------------------------------
// Compile-time helpers.
// ---------------------------------------------------------------------------------------------

// Encodes UTF-8 text (ASCII and Cyrillic) as zero-filled CP1251 into `out`. Returns the encoded
// length, or -1 when a character has no CP1251 byte or the text leaves no room for its end zero.
constexpr int cfg_encode_cp1251(const char* utf8, uint8_t* out, uint32_t size) {
  for (uint32_t i = 0; i < size; ++i) out[i] = 0;
  uint32_t n = 0;
  for (uint32_t i = 0; utf8[i] != 0;) {
    uint32_t c = uint8_t(utf8[i]);
    uint32_t cp;
    if (c < 0x80) {
      cp = c;
      i += 1;
    } else if ((c & 0xE0) == 0xC0 && (uint8_t(utf8[i + 1]) & 0xC0) == 0x80) {
      cp = ((c & 0x1F) << 6) | (uint8_t(utf8[i + 1]) & 0x3F);
      i += 2;
    } else {
      return -1;
    }
    uint8_t b;
    if (cp < 0x80)
      b = uint8_t(cp);
    else if (cp >= 0x410 && cp <= 0x44F)
      b = uint8_t(cp - 0x410 + 0xC0);
    else if (cp == 0x401)
      b = 0xA8;
    else if (cp == 0x451)
      b = 0xB8;
    else
      return -1;
    if (n + 1 >= size) return -1;
    out[n++] = b;
  }
  return int(n);
}

// The item whose value has this name (either name of a point or the key), or -1.
constexpr int cfg_find(const char* name) {
  auto same = [](const char* a, const char* b) {
    if (!a || !b) return false;
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
  };
  for (size_t i = 0; i < config_catalogue.size(); ++i)
    if (same(config_catalogue[i].name, name) || same(config_catalogue[i].name2, name))
      return int(i);
  return -1;
}

// Byte offset of a named value in the block (the second name of a point or the key lies 4 bytes
// after the first), or 0 when there is no such name.
constexpr uint32_t cfg_value_offset(const char* name) {
  int i = cfg_find(name);
  if (i < 0) return 0;
  const CFG_ITEM& it = config_catalogue[size_t(i)];
  uint32_t at = it.offset + CFG_HEADER_SIZE;
  auto same = [](const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
  };
  return it.name2 && same(it.name2, name) ? at + 4 : at;
}

// True when the catalogue describes a well-formed block: items follow each other without gaps
// from byte 0 to the end, every label fits, groups are balanced, lists have their choices.
constexpr bool cfg_catalogue_valid() {
  uint32_t at = 0;
  int depth = 0;
  for (const CFG_ITEM& it : config_catalogue) {
    if (it.offset != at) return false;
    int64_t size = cfg_value_size(it.type, it.field2);
    if (size < 0) return false;
    uint8_t label[CFG_LABEL_SIZE] = {};
    if (cfg_encode_cp1251(it.label, label, CFG_LABEL_SIZE) < 0) return false;
    if (it.type == ITEM_LEVEL) {
      depth += it.field1 == 1 ? 1 : -1;
      if (depth < 0 || it.name) return false;
    } else if (!it.name) {
      return false;
    }
    if (it.type == ITEM_LIST) {
      if (it.field2 <= 0) return false;
      for (int32_t c = 0; c < it.field2; ++c) {
        uint8_t text[CFG_LIST_TEXT_SIZE] = {};
        if (cfg_encode_cp1251(it.choices[c], text, CFG_LIST_TEXT_SIZE) < 0) return false;
      }
      if (it.value[0] >= uint32_t(it.field2)) return false;
    }
    if (it.type == ITEM_INT && (int32_t(it.value[0]) < it.field1 || int32_t(it.value[0]) > it.field2))
      return false;
    at += CFG_HEADER_SIZE + uint32_t(size);
  }
  return at == CONFIG_SIZE && depth == 0;
}
static_assert(cfg_catalogue_valid(), "the configuration catalogue does not describe a valid block");
static_assert(cfg_value_offset("KEYRUNMODE") == 48 && cfg_value_offset("Y_ARTIST_POS") == 236);

// The built-in block: every item's header and default value, byte for byte as in the file.
constexpr std::array<uint8_t, CONFIG_SIZE> cfg_default_image() {
  std::array<uint8_t, CONFIG_SIZE> b{};
  auto put32 = [&b](uint32_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k));
  };
  auto put16 = [&b](uint32_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
  };
  for (const CFG_ITEM& it : config_catalogue) {
    uint32_t at = it.offset;
    put32(at, it.type);
    cfg_encode_cp1251(it.label, &b[at + 4], CFG_LABEL_SIZE);
    put32(at + 36, uint32_t(it.field1));
    put32(at + 40, uint32_t(it.field2));
    uint32_t v = at + CFG_HEADER_SIZE;
    switch (it.type) {
      case ITEM_LEVEL:
        break;
      case ITEM_POINT:
      case ITEM_KEY:
        put32(v, it.value[0]);
        put32(v + 4, it.value[1]);
        break;
      case ITEM_RECT:
        for (uint32_t k = 0; k < 4; ++k) put16(v + 2 * k, it.value[k]);
        break;
      case ITEM_LIST:
        put32(v, it.value[0]);
        for (int32_t c = 0; c < it.field2; ++c)
          cfg_encode_cp1251(it.choices[c], &b[v + 4 + CFG_LIST_TEXT_SIZE * uint32_t(c)],
                            CFG_LIST_TEXT_SIZE);
        break;
      default:
        put32(v, it.value[0]);
        break;
    }
  }
  return b;
}

inline constexpr std::array<uint8_t, CONFIG_SIZE> config_default_image = cfg_default_image();

// The built-in block as the named layout.
constexpr CONFIG_BLOCK cfg_default_block() { return std::bit_cast<CONFIG_BLOCK>(config_default_image); }
