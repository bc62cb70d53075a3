// Painting the panel: the frozen screen picture, the background, the progress bar, the labels,
// the cover and the buttons, every element but the frozen picture moved down by the slide offset.
#include "panel/render.h"

#include <array>

#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "shell/app.h"
#include "shell/config/config.h"
#include "shell/config/panel_labels.h"
#include "shell/platform_constants.h"
#include "track/track.h"

namespace {

// Every text is drawn with these constants.
constexpr int kTextA = 60;
constexpr int kTextB = 5;
// A label's box reaches the right edge of the screen and is this high.
constexpr int kLabelHeight = 100;

// One label's configuration, by name.
struct LabelStyle {
  int slot;
  const int32_t* enabled;
  const int32_t* x;
  const int32_t* y;
  const uint32_t* color;
  const uint32_t* border;
  const int32_t* font;
};

#define TS_LABEL_STYLE(X, W, label, english, shown, x, y, font, layer, sample)         \
  styles[layer] = {LABEL_##W,          &IS_##W##_EN,       &X_##W##_POS, &Y_##W##_POS, \
                   &W##_NORAMAL_COLOR, &W##_BORDER_COLOR, &FONT_##W};

// Every label in the panel's drawing order (the layers of shell/config/panel_labels.h), which is
// neither the block's order nor the slots': the title comes first, the running times before the
// length.
constexpr std::array<LabelStyle, LABEL_COUNT> InDrawingOrder() {
  std::array<LabelStyle, LABEL_COUNT> styles{};
  TS_CFG_TAG_LABELS(TS_LABEL_STYLE, )
  TS_CFG_STREAM_LABELS(TS_LABEL_STYLE, )
  return styles;
}

#undef TS_LABEL_STYLE

constexpr std::array<LabelStyle, LABEL_COUNT> kLabels = InDrawingOrder();

struct Button {
  const RECT* rect;
  IMAGEID plain;
  IMAGEID selected;
};

Button ButtonOf(int k) {
  switch (k) {
    case 1: return {&FUNCTION_KEY_RECT1, key1, key1_s};
    case 2: return {&FUNCTION_KEY_RECT2, key2, key2_s};
    case 3: return play ? Button{&FUNCTION_KEY_RECT3, key3, key3_s}
                        : Button{&FUNCTION_KEY_RECT3, key3_1, key3_1_s};
    case 4: return {&FUNCTION_KEY_RECT4, key4, key4_s};
    default: return {&FUNCTION_KEY_RECT5, key5, key5_s};
  }
}

void DrawLabel(const LabelStyle& l) {
  // A hand-edited file may hold any 32-bit place: it is held to the bounds of a point, so that the
  // sums here and the outline's +-1 cannot overflow.
  const int x = cfg_clamp_point(*l.x);
  const int y1 = OffsetCoord + cfg_clamp_point(*l.y);
  DrawHighlightID(*l.font, TextID[l.slot], 0, x, y1, scr_w, y1 + kLabelHeight, *l.color,
                  *l.border);
}

void DrawButtons(GC* gc) {
  const int32_t count = FUNCTION_KEY_COUNT;
  for (int k = 1; k <= 5; ++k) {
    if (count >= k && CurrentKey != k) {
      Button b = ButtonOf(k);
      DrawIcn(gc, *b.rect, OffsetCoord, int16_t(b.plain));
    }
  }
  // The selected button goes on top, whatever the count says.
  for (int k = 1; k <= 5; ++k) {
    if (CurrentKey != k) continue;
    Button b = ButtonOf(k);
    fw_draw_rect(b.rect->x1, b.rect->y1 + OffsetCoord, b.rect->x2, b.rect->y2 + OffsetCoord,
                 FUNCTION_KEY_BORDER_COLOR, 0);
    DrawIcn(gc, *b.rect, OffsetCoord, int16_t(b.selected));
  }
}

}  // namespace

void DrawHighlightID(int font, TEXTID text, int align, int x1, int y1, int x2, int y2,
                     uint32_t color, uint32_t border) {
  fw_set_font(font);
  fw_draw_text(text, align, x1 - 1, y1 - 1, x2 - 1, y2, kTextA, kTextB, border, 0);
  fw_draw_text(text, align, x1 - 1, y1 + 1, x2 - 1, y2, kTextA, kTextB, border, 0);
  fw_draw_text(text, align, x1 + 1, y1 - 1, x2 + 1, y2, kTextA, kTextB, border, 0);
  fw_draw_text(text, align, x1 + 1, y1 + 1, x2 + 1, y2, kTextA, kTextB, border, 0);
  fw_draw_text(text, align, x1, y1, x2, y2, kTextA, kTextB, color, 0);
}

void DrawLabels() {
  for (const LabelStyle& l : kLabels) {
    if (!*l.enabled) continue;
    if (l.slot == LABEL_TRACKCOUNT) {
      // The track number exists only for a current track, and only for this frame.
      if (!currenttrack) continue;
      BuildTrackNumberLabel();
      DrawLabel(l);
      ReleaseTrackNumberLabel();
    } else {
      DrawLabel(l);
    }
  }
}

void DrawIcn(GC* gc, RECT rc, int32_t offset, int16_t image) {
  fw_draw_image(gc, rc.x1, rc.y1 + offset, rc.x2 - rc.x1, rc.y2 - rc.y1, IMAGEID(image));
}

void DrawProgressBar(uint32_t color1, uint32_t color2, RECT rc, int32_t position, int32_t total,
                     int32_t offset) {
  fw_draw_rect(rc.x1, rc.y1 + offset, rc.x2, rc.y2 + offset, color1, color1);
  // Without a length there is no elapsed part to show.
  if (total <= 0) return;
  const float left = float(unsigned(rc.x1));
  const float right = float(unsigned(rc.x2));
  float end = (float(position) / float(total)) * (right - left) + left;
  // The elapsed part stays inside the bar, whatever the position says.
  const float lo = left < right ? left : right;
  const float hi = left < right ? right : left;
  if (end < lo) end = lo;
  if (end > hi) end = hi;
  fw_draw_rect(rc.x1, rc.y1 + offset, int32_t(end), rc.y2 + offset, color2, color2);
}

void TuneStripGuiOnRedraw(DISP_OBJ* obj, int, int, int) {
  GC* gc = fw_get_gc(obj);
  BOOK* player = FindPlayerBook();
  RECT saved_clip = {};
  fw_gc_get_clip(gc, &saved_clip);
  const int saved_flag = fw_gc_get_flag(gc);
  fw_gc_set_flag(gc, 1);
  const RECT screen = {0, uint16_t(scr_w), 0, uint16_t(scr_h)};
  fw_gc_set_clip(gc, &screen);
  const int saved_setting = fw_gc_get_setting(gc);

  AnimationStep();

  // Only a snapshot that was made is drawn.
  if (FON_FROM_BUFFER_ENABLED && BufferFonLive) fw_draw_image(gc, 0, 0, 0, 0, BufferFon);

  if (DRAW_FROM_IMAGE) {
    DrawIcn(gc, rcFON, OffsetCoord, int16_t(fonpng));
  } else {
    fw_draw_rect(rcFON.x1, rcFON.y1 + OffsetCoord, rcFON.x2, rcFON.y2 + OffsetCoord,
                 FON_BORDER_COLOR, FON_NORAMAL_COLOR);
  }

  if (IS_PROGBAR_EN) {
    // The elapsed part needs a playing track with a length: with no player or no track the bar
    // is drawn empty.
    const bool known = player && currenttrack && mdata;
    DrawProgressBar(PROGBAR_NORAMAL_COLOR, PROGBAR_BORDER_COLOR, rcBAR,
                    known ? mdata->curtime : 0, known ? currenttrack->fulltime : 0, OffsetCoord);
  }

  const int saved_font = fw_set_font(FONT_E_20R);

  DrawLabels();

  if (COVER_ENABLED) DrawIcn(gc, rcCover, OffsetCoord, int16_t(BufferIMG));

  if (FUNCTION_KEY_ENABLED) DrawButtons(gc);

  fw_set_font(saved_font);
  fw_gc_set_setting(gc, saved_setting);
  fw_gc_set_clip(gc, &saved_clip);
  fw_gc_set_flag(gc, saved_flag);

  // A hide that this frame finished takes the panel and the book down now that drawing is over.
  EndFinishedHide();
}
