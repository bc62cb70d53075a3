// The panel's twelve labels, each one a group of the configuration block. The catalogue expands
// these rows into the label groups of the block (catalogue.h); the tools and the tests read the
// same rows from `config_labels`.
//
//   L(X, word, label, english, shown, x, y, font, layer, sample)
//
//   word     names the label's values, in the block's own spelling: IS_word_EN, X_word_POS and
//            Y_word_POS, word_NORAMAL_COLOR, word_BORDER_COLOR, FONT_word
//   label    the group's label in the block (UTF-8 here, CP1251 in the file); english beside it
//   shown, x, y, font   the defaults of IS_word_EN, X_word_POS, Y_word_POS and FONT_word
//   layer    the label's turn in the panel's drawing order: 0 is drawn first, a later label lies
//            on top of an earlier one
//   sample   a text of the kind the label shows, by which the editor's window sizes its box
//
// X is handed through to L for the catalogue's expansion; other uses leave it empty.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The tags' labels, in block order.
#define TS_CFG_TAG_LABELS(L, X)                                            \
  L(X, ARTIST, "Исполнитель", "Artist", 1, 1, 255, 18, 1, "Artist")        \
  L(X, TITLE, "Название", "Title", 1, 1, 240, 25, 0, "Title of the track") \
  L(X, ALBUM, "Альбом", "Album", 1, 1, 270, 18, 2, "Album")                \
  L(X, YEAR, "Год", "Year", 0, 1, 1, 18, 3, "2024")                        \
  L(X, GENRE, "Жанр", "Genre", 0, 1, 1, 18, 4, "Genre")

// The stream's and the play time's labels, in block order.
#define TS_CFG_STREAM_LABELS(L, X)                                                  \
  L(X, BITRATE, "Битрейт", "Bitrate", 1, 1, 285, 18, 5, "320 kbps")                 \
  L(X, FREQ, "Частота дискретизации", "Sample rate", 1, 30, 285, 18, 6, "44100 Hz") \
  L(X, CHANEL, "Каналы", "Channel mode", 1, 70, 285, 18, 7, "Stereo")               \
  L(X, CURTIME, "Текущее время", "Elapsed time", 1, 2, 300, 18, 8, "00:00")         \
  L(X, OSTTIME, "Оставшееся время", "Remaining time", 0, 1, 1, 18, 9, "-00:00")     \
  L(X, LENGHT, "Длительность", "Length", 1, 40, 300, 18, 10, "00:00")               \
  L(X, TRACKCOUNT, "Кол-во треков", "Track number and count", 1, 80, 300, 18, 11, "10/10")

// One label as data.
struct CFG_LABEL {
  const char* word;           // TITLE, ARTIST, ...
  const char* label;          // the group's label, UTF-8
  int32_t shown, x, y, font;  // the defaults
  uint32_t layer;             // the turn in the drawing order
  const char* sample;         // a typical text
};

#define TS_CFG_LABEL_ROW(X, word, label, english, shown, x, y, font, layer, sample) \
  CFG_LABEL{#word, label, shown, x, y, font, layer, sample},
#define TS_CFG_LABEL_ONE(...) +1

// Every label in block order: the tags first, then the stream's and the play time's.
inline constexpr CFG_LABEL config_labels[] = {
    TS_CFG_TAG_LABELS(TS_CFG_LABEL_ROW, ) TS_CFG_STREAM_LABELS(TS_CFG_LABEL_ROW, )};
inline constexpr size_t CFG_LABEL_COUNT = std::size(config_labels);
inline constexpr size_t CFG_TAG_LABEL_COUNT = 0 TS_CFG_TAG_LABELS(TS_CFG_LABEL_ONE, );

#undef TS_CFG_LABEL_ROW
#undef TS_CFG_LABEL_ONE

// Each layer is taken by one label.
constexpr bool cfg_label_layers_valid() {
  for (size_t layer = 0; layer < CFG_LABEL_COUNT; ++layer) {
    size_t holders = 0;
    for (const CFG_LABEL& l : config_labels) holders += l.layer == layer;
    if (holders != 1) return false;
  }
  return true;
}
static_assert(cfg_label_layers_valid(), "every drawing layer of the panel's labels must be taken once");
