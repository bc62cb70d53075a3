// GUI objects and display classes: the phone's services fw_gui_create, fw_gui_get_disp_obj,
// fw_gui_set_style, fw_gui_set_mode, fw_gui_prepare, fw_gui_show, fw_gui_free, fw_disp_invalidate,
// fw_disp_set_backdrop, fw_disp_desc_set_name, fw_disp_desc_set_size, fw_disp_desc_set_on_create,
// fw_disp_desc_set_on_close, fw_disp_desc_set_on_redraw, fw_disp_desc_set_on_key.

#include "core/service_table.h"
#include "phone/phone.h"
#include "screen/gui_manager.h"

namespace host::svc {

GUI* fw_gui_create(GUI* storage, DispDescProc destr, DispDescProc constr, BOOK* book, int, int,
                   int) {
  return phone().gui().create(storage, destr, constr, book);
}
DISP_OBJ* fw_gui_get_disp_obj(GUI* gui) { return phone().gui().disp_obj(gui); }
void fw_gui_set_style(GUI* gui, int style) { phone().gui().set_style(gui, style); }
void fw_gui_set_mode(GUI* gui, int mode) { phone().gui().set_mode(gui, mode); }
void fw_gui_prepare(GUI* gui) { phone().gui().prepare(gui); }
void fw_gui_show(GUI* gui) { phone().gui().show(gui); }
void fw_gui_free(GUI* gui) { phone().gui().free(gui); }
void fw_disp_invalidate(DISP_OBJ* obj, int) { phone().gui().invalidate(obj); }
void fw_disp_set_backdrop(DISP_OBJ* obj, int value) { phone().gui().set_backdrop(obj, value); }
void fw_disp_desc_set_name(DISP_DESC* desc, const char* name) {
  phone().gui().desc_set_name(desc, name);
}
void fw_disp_desc_set_size(DISP_DESC* desc, int size) { phone().gui().desc_set_size(desc, size); }
void fw_disp_desc_set_on_create(DISP_DESC* desc, DispCreateProc f) {
  phone().gui().desc_set_on_create(desc, f);
}
void fw_disp_desc_set_on_close(DISP_DESC* desc, DispCloseProc f) {
  phone().gui().desc_set_on_close(desc, f);
}
void fw_disp_desc_set_on_redraw(DISP_DESC* desc, DispRedrawProc f) {
  phone().gui().desc_set_on_redraw(desc, f);
}
void fw_disp_desc_set_on_key(DISP_DESC* desc, DispKeyProc f) {
  phone().gui().desc_set_on_key(desc, f);
}

}  // namespace host::svc
