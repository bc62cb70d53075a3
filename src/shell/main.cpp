// The program's entry point.
#include <new>

#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "shell/app.h"
#include "shell/config/config.h"
#include "shell/page.h"
#include "shell/platform_constants.h"
#include "track/track.h"

namespace {

// "Already running", as the phone's code page shows it: one CP1251 byte per code unit.
constexpr char16_t kAlreadyRunning[] = {0x00D3, 0x00E6, 0x00E5, 0x0020, 0x00E7, 0x00E0, 0x00EF,
                                        0x00F3, 0x00F9, 0x00E5, 0x00ED, 0x0021, 0};
static_assert(sizeof kAlreadyRunning / sizeof(char16_t) == 13);

constexpr char16_t kImageFolder[] = u"/TuneStrip";

PAGE_MSG* const kPages[] = {base_page_events.msg, nullptr};

}  // namespace

// What the loader resolves before the entry point runs.
FW_EXPORT FwModuleInfo fw_module_info;
FwModuleInfo fw_module_info = {fw_platform_constants.value, kPages};

FW_EXPORT int main() {
  if (fw_find_book(isMyBook)) {
    ShowMessage(kAlreadyRunning, nullptr);
    return 0;
  }
  // A plain new may not return null, so the compiler would drop the check below.
  mdata = new (std::nothrow) METADATA;
  if (!mdata) return 0;
  dir = new (std::nothrow) char16_t[DIR_CHARS];
  if (!dir) {
    delete mdata;
    mdata = nullptr;
    return 0;
  }
  fw_memset(mdata, 0, sizeof *mdata);
  mdata->handle = 0;

  InitConfig();
  scr_w = fw_display_width(0);
  scr_h = fw_display_height(0);
  OffsetCoord = scr_h - rcFON.y1;
  CreateHeader(scr_w, scr_h);

  const char16_t* folder = fw_get_dir(DIR_CONFIG_2);
  int len = folder ? fw_wstrlen(folder) : 0;
  dir[0] = 0;
  if (len + int(sizeof kImageFolder / sizeof(char16_t)) <= DIR_CHARS) {
    if (folder) fw_wstrcpy(dir, folder);
    fw_wstrcat(dir, kImageFolder);
  }
  for (const PanelImage& img : kPanelImages) fw_image_load(dir, img.file, img.id);

  CreateMYBook();
  if (!TuneStrip) {
    // No memory for the book: the program ends here, holding nothing.
    ReleaseAll();
    return 0;
  }
  SetHook(nullptr, nullptr);
  if (fw_find_book(fw_player_book_predicate())) {
    ReInit();
    if (currenttrack) UpdateLabel();
  }
  return 0;
}
