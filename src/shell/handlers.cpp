// The base page's requests: about, the configuration editor, the reconfigure notice.
#include "panel/keys.h"
#include "shell/app.h"
#include "shell/config/config.h"

void ShowMessage(const char16_t* text, BOOK* owner) {
  fw_message_box(EMPTY_TEXT, TextFromWstr(text), 0, 1, 5000, owner);
}

int ShowAuthorInfo(void* data, BOOK*) {
  BOOK* owner = data ? static_cast<FwAboutEvent*>(data)->owner : nullptr;
  ShowMessage(u"TuneStrip v1.0\nby the TuneStrip developers", owner);
  return 1;
}

namespace {

constexpr char16_t kEditor[] = u"BcfgEdit.elf";
constexpr char16_t kEditorPath[] = u"/BcfgEdit.elf";
constexpr int kPathChars = 256;

// Length of a wide string held in a field of `cap` characters, or -1 when it has no terminator
// inside the field.
int BoundedLength(const char16_t* s, int cap) {
  for (int i = 0; i < cap; ++i)
    if (s[i] == 0) return i;
  return -1;
}

}  // namespace

int onBcfgConfig(void*, BOOK*) {
  char16_t path[kPathChars];
  FSTAT st;
  const int folders[] = {DIR_ELF_1, DIR_ELF_2};
  for (int id : folders) {
    const char16_t* folder = fw_get_dir(id);
    if (!folder || fw_file_stat(folder, kEditor, &st) != 0) continue;
    // A folder too long for the path buffer cannot hold a launchable editor.
    int len = fw_wstrlen(folder);
    if (len + int(sizeof kEditorPath / sizeof(char16_t)) > kPathChars) continue;
    fw_wstrcpy(path, folder);
    fw_wstrcat(path, kEditorPath);
    fw_run_elf(path, successed_config_path, successed_config_name, 0);
    return 1;
  }
  ShowMessage(u"BcfgEdit.elf not found!", nullptr);
  return 1;
}

int ReconfigElf(void* data, BOOK*) {
  if (!data) return 0;
  const FwReconfigEvent* ev = static_cast<const FwReconfigEvent*>(data);
  const int cap = sizeof ev->path / sizeof ev->path[0];
  if (BoundedLength(ev->path, cap) < 0 || BoundedLength(ev->name, cap) < 0) return 0;
  if (fw_wstrcmp(ev->path, successed_config_path) != 0) return 0;
  if (fw_wstrcmp(ev->name, successed_config_name) != 0) return 0;
  InitConfig();
  UnSetHook(nullptr, nullptr);
  SetHook(nullptr, nullptr);
  return 1;
}
