// The configuration block: its built-in bytes, its catalogue and the named values laid over it.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/wstr.h"
#include "shell/config/config.h"
#include "shell/config/panel_labels.h"

namespace {

const std::array<uint8_t, CONFIG_SIZE>& image = config_default_image;

uint32_t u32(const uint8_t* b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b + at, 4);
  return v;
}
uint16_t u16(const uint8_t* b, size_t at) {
  uint16_t v;
  std::memcpy(&v, b + at, 2);
  return v;
}
// CP1251 bytes at `at` (up to `size`, ended by a zero), decoded to UTF-8 by the phone's tables.
std::string text_at(const uint8_t* b, size_t at, size_t size = 32) {
  size_t n = 0;
  while (n < size && b[at + n]) ++n;
  return host::utf16_to_utf8(
      host::codepage_to_utf16(std::string_view(reinterpret_cast<const char*>(b + at), n), "cp1251"));
}
size_t offset_in_block(const void* p) {
  return size_t(static_cast<const uint8_t*>(p) - reinterpret_cast<const uint8_t*>(&config_block));
}
// Zero bytes from `at` to `at + size`.
bool zeros(const uint8_t* b, size_t at, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (b[at + i]) return false;
  return true;
}

TEST(ConfigBlock, NamedValuesLieAtTheFileCheckpoints) {
  struct {
    const void* value;
    const char* name;
    size_t offset;
  } checkpoints[] = {
      {&KEYRUN, "KEYRUN", 44},
      {&KEYRUNMODE, "KEYRUNMODE", 48},
      {&IS_ARTIST_EN, "IS_ARTIST_EN", 184},
      {&X_ARTIST_POS, "X_ARTIST_POS", 232},
      {&Y_ARTIST_POS, "Y_ARTIST_POS", 236},
      {&rcFON, "rcFON", 4444},
      {&rcCover, "rcCover", 4632},
      {&FUNCTION_KEY_COUNT, "FUNCTION_KEY_COUNT", 4772},
      {&FUNCTION_KEY1, "FUNCTION_KEY1", 4912},
      {&FUNCTION_KEY_RECT1, "FUNCTION_KEY_RECT1", 5120},
      {&FUNCTION_KEY5, "FUNCTION_KEY5", 6304},
      {&FUNCTION_KEY_BORDER_COLOR, "FUNCTION_KEY_BORDER_COLOR", 6608},
      {&rcBAR, "rcBAR", 6792},
      {&HIDE_SPEED, "HIDE_SPEED", 7028},
      {&FON_FROM_BUFFER_ENABLED, "FON_FROM_BUFFER_ENABLED", 7076},
  };
  for (const auto& c : checkpoints) {
    EXPECT_EQ(offset_in_block(c.value), c.offset) << c.name;
    EXPECT_EQ(cfg_value_offset(c.name), c.offset) << c.name;
  }
  EXPECT_EQ(sizeof(config_block), 7124u);
}

TEST(ConfigBlock, BuiltInBytes) {
  const uint8_t* b = image.data();
  // The hot key: header, label, value.
  EXPECT_EQ(u32(b, 0), 17u);
  EXPECT_EQ(text_at(b, 4), "Клавиша запуска");
  const uint8_t label[] = {0xCA, 0xEB, 0xE0, 0xE2, 0xE8, 0xF8, 0xE0, 0x20,
                           0xE7, 0xE0, 0xEF, 0xF3, 0xF1, 0xEA, 0xE0, 0x00};
  EXPECT_EQ(std::memcmp(b + 4, label, sizeof label), 0);
  EXPECT_TRUE(zeros(b, 4 + sizeof label, 32 - sizeof label + 8));  // rest of label, both fields
  EXPECT_EQ(u32(b, 44), 42u);
  EXPECT_EQ(u32(b, 48), 0u);

  // The first group and the artist's group open.
  EXPECT_EQ(u32(b, 52), 9u);
  EXPECT_EQ(text_at(b, 56), "Теги");
  EXPECT_EQ(u32(b, 52 + 36), 1u);
  EXPECT_EQ(text_at(b, 100), "Исполнитель");
  EXPECT_EQ(u32(b, 140), 11u);
  EXPECT_EQ(text_at(b, 144), "Включить");
  EXPECT_EQ(u32(b, 184), 1u);
  EXPECT_EQ(u32(b, 188), 7u);
  EXPECT_EQ(u32(b, 232), 1u);
  EXPECT_EQ(u32(b, 236), 255u);

  // Background rectangle and cover rectangle.
  EXPECT_EQ(u32(b, 4400), 14u);
  EXPECT_EQ(u16(b, 4444), 0);
  EXPECT_EQ(u16(b, 4446), 240);
  EXPECT_EQ(u16(b, 4448), 240);
  EXPECT_EQ(u16(b, 4450), 320);
  EXPECT_EQ(u16(b, 4632), 171);
  EXPECT_EQ(u16(b, 4634), 231);
  EXPECT_EQ(u16(b, 4636), 241);
  EXPECT_EQ(u16(b, 4638), 301);

  // Buttons: the count with its limits, the first list with its five texts, its rectangle.
  EXPECT_EQ(u32(b, 4728), 3u);
  EXPECT_EQ(u32(b, 4728 + 36), 0u);
  EXPECT_EQ(u32(b, 4728 + 40), 5u);
  EXPECT_EQ(u32(b, 4772), 5u);
  EXPECT_EQ(u32(b, 4868), 5u);
  EXPECT_EQ(text_at(b, 4872), "Функция");
  EXPECT_EQ(u32(b, 4868 + 36), 0u);
  EXPECT_EQ(u32(b, 4868 + 40), 5u);
  EXPECT_EQ(u32(b, 4912), 0u);
  const char* choices[] = {"След. трэк", "Пред. трэк", "Play/pause", "Развернуть плеер",
                           "Скрыть панель"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(text_at(b, 4916 + 32 * c), choices[c]) << c;
  const uint8_t next_track[] = {0xD1, 0xEB, 0xE5, 0xE4, 0x2E, 0x20, 0xF2, 0xF0, 0xFD, 0xEA};
  EXPECT_EQ(std::memcmp(b + 4916, next_track, sizeof next_track), 0);
  EXPECT_TRUE(zeros(b, 4916 + sizeof next_track, 32 - sizeof next_track));
  EXPECT_EQ(u16(b, 5120), 138);
  EXPECT_EQ(u16(b, 5122), 158);
  EXPECT_EQ(u16(b, 5124), 300);
  EXPECT_EQ(u16(b, 5126), 320);
  // Every list's header counts 0..4 in its first field; every chosen index is 0.
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(u32(b, 4868 + 348 * k + 36), uint32_t(k));
    EXPECT_EQ(u32(b, 4912 + 348 * k), 0u);
    EXPECT_EQ(u16(b, 5120 + 348 * k), 138 + 20 * k);
  }
  EXPECT_EQ(u32(b, 6304), 0u);
  EXPECT_EQ(u32(b, 6608), 0xFFFFFFFFu);
  EXPECT_TRUE(zeros(b, 6792, 8));

  // The last group: the speed with its limits, the freeze, and the closing item ending the file.
  EXPECT_EQ(text_at(b, 6944), "Прочее");
  EXPECT_EQ(u32(b, 6984 + 36), 1u);
  EXPECT_EQ(u32(b, 6984 + 40), 15u);
  EXPECT_EQ(u32(b, 7028), 15u);
  EXPECT_EQ(u32(b, 7076), 1u);
  EXPECT_EQ(u32(b, 7080), 9u);
  EXPECT_TRUE(zeros(b, 7084, 40));
}

// The item sequence, written out once more from the configuration's description, so that an item
// moved, dropped or retyped in the catalogue shows here. The label groups are the panel's list of
// labels, each as the block lays out its group.
struct Expected {
  uint32_t type;
  std::string name;  // value name, or the group label for an opening level item, "" closing
};

// The panel's labels by the group that holds them.
std::span<const CFG_LABEL> tag_labels() { return std::span(config_labels).first(CFG_TAG_LABEL_COUNT); }
std::span<const CFG_LABEL> stream_labels() {
  return std::span(config_labels).subspan(CFG_TAG_LABEL_COUNT);
}

std::vector<Expected> expected_items() {
  std::vector<Expected> e;
  auto label_groups = [&e](std::span<const CFG_LABEL> labels) {
    for (const CFG_LABEL& l : labels) {
      const std::string w = l.word;
      e.push_back({ITEM_LEVEL, l.label});
      e.push_back({ITEM_CHECKBOX, "IS_" + w + "_EN"});
      e.push_back({ITEM_POINT, "X_" + w + "_POS"});
      e.push_back({ITEM_COLOR, w + "_NORAMAL_COLOR"});
      e.push_back({ITEM_COLOR, w + "_BORDER_COLOR"});
      e.push_back({ITEM_FONT, "FONT_" + w});
      e.push_back({ITEM_LEVEL, ""});
    }
  };
  e.push_back({ITEM_KEY, "KEYRUN"});
  e.push_back({ITEM_LEVEL, "Теги"});
  label_groups(tag_labels());
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Информация об mp3"});
  label_groups(stream_labels());
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Фон"});
  e.push_back({ITEM_CHECKBOX, "DRAW_FROM_IMAGE"});
  e.push_back({ITEM_COLOR, "FON_NORAMAL_COLOR"});
  e.push_back({ITEM_COLOR, "FON_BORDER_COLOR"});
  e.push_back({ITEM_RECT, "rcFON"});
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Обложка"});
  e.push_back({ITEM_CHECKBOX, "COVER_ENABLED"});
  e.push_back({ITEM_RECT, "rcCover"});
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Кнопки"});
  e.push_back({ITEM_INT, "FUNCTION_KEY_COUNT"});
  e.push_back({ITEM_CHECKBOX, "FUNCTION_KEY_ENABLED"});
  for (int k = 1; k <= 5; ++k) {
    e.push_back({ITEM_LEVEL, "Кнопка " + std::to_string(k)});
    e.push_back({ITEM_LIST, "FUNCTION_KEY" + std::to_string(k)});
    e.push_back({ITEM_RECT, "FUNCTION_KEY_RECT" + std::to_string(k)});
    e.push_back({ITEM_LEVEL, ""});
  }
  e.push_back({ITEM_COLOR, "FUNCTION_KEY_BORDER_COLOR"});
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Прогрессбар"});
  e.push_back({ITEM_CHECKBOX, "IS_PROGBAR_EN"});
  e.push_back({ITEM_RECT, "rcBAR"});
  e.push_back({ITEM_COLOR, "PROGBAR_NORAMAL_COLOR"});
  e.push_back({ITEM_COLOR, "PROGBAR_BORDER_COLOR"});
  e.push_back({ITEM_LEVEL, ""});
  e.push_back({ITEM_LEVEL, "Прочее"});
  e.push_back({ITEM_INT, "HIDE_SPEED"});
  e.push_back({ITEM_CHECKBOX, "FON_FROM_BUFFER_ENABLED"});
  e.push_back({ITEM_LEVEL, ""});
  return e;
}

TEST(ConfigCatalogue, ItemsFollowEachOtherInTheirOrder) {
  std::vector<Expected> e = expected_items();
  ASSERT_EQ(e.size(), 134u);
  ASSERT_EQ(config_catalogue.size(), e.size());
  uint32_t at = 0;
  int levels = 0, depth = 0, max_depth = 0;
  for (size_t i = 0; i < e.size(); ++i) {
    const CFG_ITEM& it = config_catalogue[i];
    SCOPED_TRACE("item " + std::to_string(i) + " " + e[i].name);
    EXPECT_EQ(it.type, e[i].type);
    EXPECT_EQ(it.offset, at);
    // The block's bytes agree with the catalogue.
    EXPECT_EQ(u32(image.data(), at), it.type);
    EXPECT_EQ(int32_t(u32(image.data(), at + 36)), it.field1);
    EXPECT_EQ(int32_t(u32(image.data(), at + 40)), it.field2);
    if (it.type == ITEM_LEVEL) {
      ++levels;
      EXPECT_EQ(it.name, nullptr);
      EXPECT_EQ(text_at(image.data(), at + 4), e[i].name);
      EXPECT_EQ(it.field1, e[i].name.empty() ? 0 : 1);
      depth += it.field1 ? 1 : -1;
      max_depth = std::max(max_depth, depth);
    } else {
      ASSERT_NE(it.name, nullptr);
      EXPECT_EQ(std::string(it.name), e[i].name);
    }
    at += 44 + uint32_t(cfg_value_size(it.type, it.field2));
  }
  EXPECT_EQ(at, 7124u);
  EXPECT_EQ(levels, 48);
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(max_depth, 2);
}

TEST(ConfigCatalogue, LabelGroupDefaults) {
  const uint8_t* b = image.data();
  for (const auto& [labels, parent] : {std::pair(tag_labels(), "Теги"),
                                       std::pair(stream_labels(), "Информация об mp3")}) {
    for (const CFG_LABEL& l : labels) {
      std::string w = l.word;
      SCOPED_TRACE(w);
      EXPECT_EQ(int32_t(u32(b, cfg_value_offset(("IS_" + w + "_EN").c_str()))), l.shown);
      EXPECT_EQ(int32_t(u32(b, cfg_value_offset(("X_" + w + "_POS").c_str()))), l.x);
      EXPECT_EQ(int32_t(u32(b, cfg_value_offset(("Y_" + w + "_POS").c_str()))), l.y);
      EXPECT_EQ(u32(b, cfg_value_offset((w + "_NORAMAL_COLOR").c_str())), 0xFFFFFFFFu);
      EXPECT_EQ(u32(b, cfg_value_offset((w + "_BORDER_COLOR").c_str())), 0xFF000000u);
      EXPECT_EQ(int32_t(u32(b, cfg_value_offset(("FONT_" + w).c_str()))), l.font);
      // The group nests in its parent.
      int i = cfg_find(("IS_" + w + "_EN").c_str());
      ASSERT_GE(i, 0);
      int group = config_catalogue[size_t(i)].parent;
      ASSERT_GE(group, 0);
      int outer = config_catalogue[size_t(group)].parent;
      ASSERT_GE(outer, 0);
      EXPECT_EQ(text_at(b, config_catalogue[size_t(outer)].offset + 4), parent);
      EXPECT_EQ(config_catalogue[size_t(outer)].parent, -1);
    }
  }
}

TEST(ConfigCatalogue, NamesAreUnique) {
  std::set<std::string> names;
  size_t count = 0;
  for (const CFG_ITEM& it : config_catalogue) {
    for (const char* n : {it.name, it.name2}) {
      if (!n) continue;
      ++count;
      EXPECT_TRUE(names.insert(n).second) << n;
      EXPECT_EQ(cfg_find(n), &it - config_catalogue.data()) << n;
    }
  }
  EXPECT_EQ(count, 99u);
  EXPECT_EQ(cfg_find("NO_SUCH_VALUE"), -1);
}

TEST(ConfigBlock, NamedReadsFollowTheBlockWhenItIsReplaced) {
  CONFIG_BLOCK saved = config_block;
  std::array<uint8_t, CONFIG_SIZE> edited = image;
  auto put32 = [&edited](size_t at, uint32_t v) { std::memcpy(edited.data() + at, &v, 4); };
  auto put16 = [&edited](size_t at, uint16_t v) { std::memcpy(edited.data() + at, &v, 2); };
  put32(44, 0x1A);                              // KEYRUN
  put32(48, 3);                                 // KEYRUNMODE
  put32(cfg_value_offset("IS_TITLE_EN"), 0);
  put32(cfg_value_offset("Y_TITLE_POS"), 123);
  put32(cfg_value_offset("TITLE_NORAMAL_COLOR"), 0x80FF0000);
  put32(cfg_value_offset("FONT_TRACKCOUNT"), 77);
  put16(4444, 10);                               // rcFON.x1
  put16(4448, 200);                              // rcFON.y1
  put32(6304, 4);                                // FUNCTION_KEY5
  put16(5120 + 348 * 2 + 6, 311);                // FUNCTION_KEY_RECT3.y2
  put32(7028, 3);                                // HIDE_SPEED
  put32(7076, 0);                                // FON_FROM_BUFFER_ENABLED

  std::memcpy(&config_block, edited.data(), edited.size());
  EXPECT_EQ(KEYRUN, 0x1A);
  EXPECT_EQ(KEYRUNMODE, 3);
  EXPECT_EQ(IS_TITLE_EN, 0);
  EXPECT_EQ(X_TITLE_POS, 1);
  EXPECT_EQ(Y_TITLE_POS, 123);
  EXPECT_EQ(TITLE_NORAMAL_COLOR, 0x80FF0000u);
  EXPECT_EQ(TITLE_BORDER_COLOR, 0xFF000000u);
  EXPECT_EQ(FONT_TRACKCOUNT, 77);
  EXPECT_EQ(rcFON.x1, 10);
  EXPECT_EQ(rcFON.x2, 240);
  EXPECT_EQ(rcFON.y1, 200);
  EXPECT_EQ(rcFON.y2, 320);
  EXPECT_EQ(FUNCTION_KEY5, 4);
  EXPECT_EQ(FUNCTION_KEY_RECT3.y2, 311);
  EXPECT_EQ(HIDE_SPEED, 3);
  EXPECT_EQ(FON_FROM_BUFFER_ENABLED, 0);

  // A value written by name is the byte image's.
  HIDE_SPEED = 9;
  uint32_t speed;
  std::memcpy(&speed, reinterpret_cast<const uint8_t*>(&config_block) + 7028, 4);
  EXPECT_EQ(speed, 9u);

  config_block = saved;
}

}  // namespace
