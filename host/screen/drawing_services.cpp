// Screen and drawing: the phone's services fw_display_width, fw_display_height,
// fw_screen_ref_family8, fw_screen_ref_family9, fw_get_gc, fw_gc_get_clip, fw_gc_set_clip,
// fw_gc_get_flag, fw_gc_set_flag, fw_gc_get_setting, fw_gc_set_setting, fw_set_font, fw_draw_rect,
// fw_draw_image, fw_draw_text.

#include <string>

#include "core/service_table.h"
#include "core/text_store.h"
#include "images/image_store.h"
#include "phone/phone.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"
#include "screen/screen.h"

namespace host::svc {

int fw_display_width(int) { return phone().screen().width(); }
int fw_display_height(int) { return phone().screen().height(); }

FwAddr fw_screen_ref_family8() { return phone().screen().ref_family8(); }
FwAddr fw_screen_ref_family9() { return phone().screen().ref_family9(); }

GC* fw_get_gc(DISP_OBJ* obj) { return phone().gui().gc(obj); }

void fw_gc_get_clip(GC* gc, RECT* rc) {
  if (!rc) return;
  GuiManager& g = phone().gui();
  *rc = g.is_gc(gc) ? gc->clip : g.current_gc()->clip;
}
void fw_gc_set_clip(GC* gc, const RECT* rc) {
  if (rc && phone().gui().is_gc(gc)) gc->clip = *rc;
}
int fw_gc_get_flag(GC* gc) { return phone().gui().is_gc(gc) ? gc->flag : 0; }
void fw_gc_set_flag(GC* gc, int flag) {
  if (phone().gui().is_gc(gc)) gc->flag = flag;
}
int fw_gc_get_setting(GC* gc) { return phone().gui().is_gc(gc) ? gc->setting : 0; }
void fw_gc_set_setting(GC* gc, int setting) {
  if (phone().gui().is_gc(gc)) gc->setting = setting;
}

void fw_draw_rect(int x1, int y1, int x2, int y2, uint32_t frame, uint32_t fill) {
  Phone& p = phone();
  p.screen().draw_rect({x1, y1, x2, y2}, frame, fill, p.gui().clip_of(nullptr));
}

void fw_draw_image(GC* gc, int x, int y, int w, int h, IMAGEID id) {
  Phone& p = phone();
  const Image* image = p.images().get(id);
  if (!image) return;
  // A width and height of 0 stand for the picture's own size.
  if (w == 0 && h == 0) {
    w = image->width;
    h = image->height;
  }
  p.screen().draw_image(*image, x, y, w, h, p.gui().clip_of(gc));
}

void fw_draw_text(TEXTID text, int align, int x1, int y1, int x2, int y2, int, int, uint32_t color,
                  int) {
  Phone& p = phone();
  const std::u16string* s = p.texts().get(text);
  if (!s) return;
  p.screen().draw_text(*s, p.fonts().current(), align, {x1, y1, x2, y2}, color,
                       p.gui().clip_of(nullptr));
}

int fw_set_font(int font) { return phone().fonts().select(font); }

}  // namespace host::svc
