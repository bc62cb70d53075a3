// The end of the program: the firmware frees the program's own image.
#include "shell/app.h"

#if FW_ON_PHONE

// On the phone both steps are written as jumps, so that no frame of ours is left to return into
// the freed image: kill_data leaves the return address untouched and jumps to f with p still in
// r0, so f returns straight to kill_data's caller; elf_exit asks for fw_free's entry with a
// software interrupt, puts its own image base in r0 and branches to kill_data, so fw_free returns
// to the firmware's deferred-call machinery that called elf_exit.
__attribute__((naked, target("arm"))) void kill_data(void*, FreeProc) { asm volatile("bx r1"); }

__attribute__((naked, target("arm"))) void elf_exit() {
  asm volatile(
      "svc %c0\n\t"     // r0 = fw_free's entry
      "mov r1, r0\n\t"
      "ldr r0, 1f\n"    // r0 = the image base, found relative to this code
      "2:\n\t"
      "add r0, pc, r0\n\t"
      "b kill_data\n"
      "1:\n\t"
      ".word __image_start - (2b + 8)\n"
      :
      : "i"(fw_svc::fw_free_entry));
}

#else

// Calls f(p) as the last thing it does, so that f returns straight to our caller.
void kill_data(void* p, FreeProc f) { f(p); }

void elf_exit() { kill_data(fw_image_base(), fw_free_entry()); }

#endif
