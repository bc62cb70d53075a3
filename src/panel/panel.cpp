// The panel's GUI object and display class, and the frozen screen picture behind the panel.
#include "panel/panel.h"

#include <new>

#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/render.h"
#include "shell/config/config.h"

uint8_t PanelRun = 0;
IMAGEID BufferFon = 0;
uint8_t BufferFonLive = 0;
uint8_t* hdr = nullptr;

namespace {

constexpr int kHeaderSize = 54;
// A walk along the display-layer chain gives up after this many records (a broken chain may loop).
constexpr int kMaxLayerRecords = 32;

// Bytes of one BMP row of 24-bit pixels: rows are padded to a multiple of 4 bytes.
uint32_t BmpRowSize(int width) { return (uint32_t(width) * 3 + 3) & ~3u; }

void Put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// The address of the screen's pixel memory, or 0 when this phone gives no way to it.
FwAddr ScreenPixels() {
  int family = fw_platform_id() >> 12;
  if (family == 8) {
    FwAddr record = fw_peek32(fw_screen_ref_family8(), 0);
    return fw_peek32(record, 0);
  }
  if (family == 9) {
    FwAddr layer = fw_peek32(fw_screen_ref_family9(), 0);
    for (int i = 0; i < kMaxLayerRecords && layer != 0; ++i) {
      if (fw_peek32(layer, 28) == 1 || fw_peek32(layer, 72) != 0) return fw_peek32(layer, 16);
      layer = fw_peek32(layer, 32);
    }
  }
  return 0;
}

}  // namespace

void ReleaseSnapshot() {
  if (!BufferFonLive) return;
  fw_image_free(BufferFon);
  BufferFonLive = 0;
}

void CreateHeader(int width, int height) {
  delete[] hdr;
  hdr = nullptr;
  if (width <= 0 || height <= 0) return;
  hdr = new (std::nothrow) uint8_t[kHeaderSize];
  if (!hdr) return;
  fw_memset(hdr, 0, kHeaderSize);
  uint32_t pixel_bytes = BmpRowSize(width) * uint32_t(height);
  hdr[0] = 'B';
  hdr[1] = 'M';
  Put32(hdr + 2, kHeaderSize + pixel_bytes);
  Put32(hdr + 10, kHeaderSize);
  Put32(hdr + 14, 40);
  Put32(hdr + 18, uint32_t(width));
  Put32(hdr + 22, uint32_t(height));
  Put16(hdr + 26, 1);
  Put16(hdr + 28, 24);
  Put32(hdr + 34, pixel_bytes);
}

void GetImageBuffer() {
  if (!hdr || scr_w <= 0 || scr_h <= 0) return;
  const uint32_t w = uint32_t(scr_w), h = uint32_t(scr_h);
  // The header was built for the screen measured at start; a snapshot of another size would not
  // match it.
  uint32_t header_w, header_h;
  fw_memcpy(&header_w, hdr + 18, 4);
  fw_memcpy(&header_h, hdr + 22, 4);
  if (header_w != w || header_h != h) return;

  FwAddr pixels_addr = ScreenPixels();
  const uint8_t* pixels = pixels_addr ? fw_mem_ptr(pixels_addr, w * h * 2) : nullptr;
  if (!pixels) return;

  const uint32_t row_size = BmpRowSize(scr_w);
  const int size = int(kHeaderSize + row_size * h);
  uint8_t* buf = new (std::nothrow) uint8_t[size];
  if (!buf) return;
  fw_memcpy(buf, hdr, kHeaderSize);

  const bool high_first = (fw_platform_id() >> 12) == 8;
  uint8_t* out = buf + kHeaderSize;
  for (uint32_t y = h; y-- > 0;) {
    const uint8_t* in = pixels + y * w * 2;
    uint8_t* row = out;
    for (uint32_t x = 0; x < w; ++x, in += 2) {
      uint32_t p = high_first ? (uint32_t(in[0]) << 8 | in[1]) : (uint32_t(in[1]) << 8 | in[0]);
      *row++ = uint8_t(p * 8);
      *row++ = uint8_t((p & 0x7E0) / 8);
      *row++ = uint8_t((p & 0xF800) / 256);
    }
    while (row < out + row_size) *row++ = 0;
    out += row_size;
  }

  // A snapshot still held (a creation that failed after taking one) makes way for the new one.
  ReleaseSnapshot();
  // The buffer belongs to the image from here on, whether or not it decodes.
  if (fw_image_from_buffer(buf, size, 0, u"bmp", &BufferFon) >= 0 && BufferFon != NOIMAGE)
    BufferFonLive = 1;
}

void EditTuneStripGui_constr(DISP_DESC* desc) {
  fw_disp_desc_set_name(desc, "GUI_TUNESTRIP");
  fw_disp_desc_set_size(desc, int(sizeof(DISP_OBJ_TuneStrip)));
  fw_disp_desc_set_on_create(desc, TuneStripGuiOnCreate);
  fw_disp_desc_set_on_close(desc, TuneStripGuiOnClose);
  fw_disp_desc_set_on_redraw(desc, TuneStripGuiOnRedraw);
  fw_disp_desc_set_on_key(desc, TuneStripGuiOnKey);
}

void EditTuneStripGui_destr(DISP_DESC*) {}

int TuneStripGuiOnCreate(DISP_OBJ*) { return 1; }

void TuneStripGuiOnClose(DISP_OBJ*) {
  PanelRun = 0;
  // The slide's timer asks this panel for redraws: it ends with the panel.
  StopHideTimer();
  ReleaseSnapshot();
}

GUI* CreateTuneStripGUI(MyBOOK* book) {
  const bool snapshot = FON_FROM_BUFFER_ENABLED != 0;
  if (snapshot) GetImageBuffer();

  GUI* gui = new (std::nothrow) GUI;
  if (!gui) {
    ReleaseSnapshot();
    return nullptr;
  }
  GUI* created = fw_gui_create(gui, EditTuneStripGui_destr, EditTuneStripGui_constr, book, 0, 0, 0);
  if (!created) {
    delete gui;
    // Nothing of a refused creation stays behind.
    ReleaseSnapshot();
    return nullptr;
  }
  DISP_OBJ* obj = fw_gui_get_disp_obj(created);
  if (obj) static_cast<DISP_OBJ_TuneStrip*>(obj)->book = book;
  book->gui = created;
  fw_book_add_gui(book, created);
  fw_gui_set_style(created, 4);
  fw_gui_set_mode(created, 1);
  fw_gui_prepare(created);
  if (!snapshot) fw_disp_set_backdrop(obj, 0);
  fw_gui_show(created);
  PanelRun = 1;
  return created;
}
