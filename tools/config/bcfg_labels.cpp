#include "config/bcfg_labels.h"

#include <array>

#include "config/bcfg.h"

namespace bcfg {
namespace {

// A label's group: its five items carry the same English labels in all twelve.
#define TS_EN_LABEL_GROUP(W, group, english)                                          \
  {group, english}, {"IS_" #W "_EN", "Shown"}, {"X_" #W "_POS", "Position"},          \
      {#W "_NORAMAL_COLOR", "Text colour"}, {#W "_BORDER_COLOR", "Outline colour"}, \
      {"FONT_" #W, "Font"}

#define TS_EN_BUTTON_GROUP(n) \
  {"Кнопка " #n, "Button " #n}, {"FUNCTION_KEY" #n, "Action"}, {"FUNCTION_KEY_RECT" #n, "Box"}

constexpr EnglishLabel kLabels[] = {
    {"KEYRUN", "Hot key"},
    {"Теги", "Tags"},
    TS_EN_LABEL_GROUP(ARTIST, "Исполнитель", "Artist"),
    TS_EN_LABEL_GROUP(TITLE, "Название", "Title"),
    TS_EN_LABEL_GROUP(ALBUM, "Альбом", "Album"),
    TS_EN_LABEL_GROUP(YEAR, "Год", "Year"),
    TS_EN_LABEL_GROUP(GENRE, "Жанр", "Genre"),
    {"Информация об mp3", "Stream and time"},
    TS_EN_LABEL_GROUP(BITRATE, "Битрейт", "Bitrate"),
    TS_EN_LABEL_GROUP(FREQ, "Частота дискретизации", "Sample rate"),
    TS_EN_LABEL_GROUP(CHANEL, "Каналы", "Channel mode"),
    TS_EN_LABEL_GROUP(CURTIME, "Текущее время", "Elapsed time"),
    TS_EN_LABEL_GROUP(OSTTIME, "Оставшееся время", "Remaining time"),
    TS_EN_LABEL_GROUP(LENGHT, "Длительность", "Length"),
    TS_EN_LABEL_GROUP(TRACKCOUNT, "Кол-во треков", "Track number and count"),
    {"Фон", "Background"},
    {"DRAW_FROM_IMAGE", "Draw the background image (Fon.png)"},
    {"FON_NORAMAL_COLOR", "Fill colour"},
    {"FON_BORDER_COLOR", "Frame colour"},
    {"rcFON", "Panel box"},
    {"Обложка", "Cover"},
    {"COVER_ENABLED", "Shown"},
    {"rcCover", "Box"},
    {"Кнопки", "Buttons"},
    {"FUNCTION_KEY_COUNT", "Number of buttons"},
    {"FUNCTION_KEY_ENABLED", "Shown"},
    TS_EN_BUTTON_GROUP(1),
    TS_EN_BUTTON_GROUP(2),
    TS_EN_BUTTON_GROUP(3),
    TS_EN_BUTTON_GROUP(4),
    TS_EN_BUTTON_GROUP(5),
    {"FUNCTION_KEY_BORDER_COLOR", "Frame of the selected button"},
    {"Прогрессбар", "Progress bar"},
    {"IS_PROGBAR_EN", "Shown"},
    {"rcBAR", "Box"},
    {"PROGBAR_NORAMAL_COLOR", "Bar colour"},
    {"PROGBAR_BORDER_COLOR", "Played part colour"},
    {"Прочее", "Other"},
    {"HIDE_SPEED", "Slide speed (pixels per step)"},
    {"FON_FROM_BUFFER_ENABLED", "Freeze the screen behind the panel"},
};

#undef TS_EN_LABEL_GROUP
#undef TS_EN_BUTTON_GROUP

// The actions of a button's function list, in index order.
constexpr std::array<std::string_view, CFG_FUNCTION_CHOICES> kFunctionChoices = {
    "Next track", "Previous track", "Play/pause", "Bring the player forward", "Hide the panel"};

std::string_view lookup(std::string_view key) {
  for (const EnglishLabel& l : kLabels)
    if (l.key == key) return l.english;
  return {};
}

}  // namespace

std::span<const EnglishLabel> english_labels() { return kLabels; }

std::string_view english_label(const CFG_ITEM& item) {
  if (item.type == ITEM_LEVEL) return item.field1 == 1 ? lookup(item.label) : std::string_view();
  return lookup(item.name);
}

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

std::span<const std::string_view> english_choices(const CFG_ITEM& item) {
  // Every list of the block is a button's function list.
  if (item.type != ITEM_LIST || item.choices != cfg_function_choices) return {};
  return kFunctionChoices;
}

}  // namespace bcfg
