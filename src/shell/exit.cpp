// The end of the program: the firmware frees the program's own image.
#include "shell/app.h"

// Calls f(p) as the last thing it does, so that f returns straight to our caller.
void kill_data(void* p, FreeProc f) { f(p); }

void elf_exit() { kill_data(fw_image_base(), fw_free_entry()); }
