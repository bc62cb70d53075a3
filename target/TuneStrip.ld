/* The add-on's image on the phone: code and constants, then data, then zeroed data, linked at 0.
   The loader places the image anywhere and applies the relocations kept in the file
   (--emit-relocs); __image_start is the first byte of the loaded image, which elf_exit frees. */
ENTRY(main)
/* What the loader resolves: kept even though no code of the image refers to it. */
EXTERN(fw_module_info)

SECTIONS
{
  . = 0;
  __image_start = .;
  .text : {
    *(.text.startup .text.startup.*)
    *(.text .text.*)
  }
  .rodata : ALIGN(4) {
    *(.rodata .rodata.*)
    /* The phone's loader runs no constructors: a global with a dynamic initialiser would never be
       initialised, so it fails the link (below) instead of being dropped. */
    __init_array_start = .;
    KEEP(*(.init_array .init_array.* .fini_array .fini_array.*))
    __init_array_end = .;
  }
  .data : ALIGN(4) { *(.data .data.*) }
  .bss (NOLOAD) : ALIGN(4) { *(.bss .bss.* COMMON) }
  __image_end = .;
  /DISCARD/ : { *(.ARM.exidx*) *(.ARM.extab*) *(.comment) }
}
ASSERT(__init_array_end == __init_array_start,
       "a global with a dynamic initialiser (or a destructor): the phone runs neither; make it constexpr or constinit")
