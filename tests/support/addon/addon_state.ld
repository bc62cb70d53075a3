/* Joins the add-on's pieces into one relocatable object whose writable data and zero-filled data
   each lie in one section of their own, so that a test program can find all of the add-on's
   globals (addon_state.cpp) and put them back as they were when the program started. */
SECTIONS
{
  .data.rel.ro : { *(.data.rel.ro .data.rel.ro.*) }
  ts_addon_data : { *(.data .data.* .data.rel .data.rel.* ) }
  ts_addon_bss : { *(.bss .bss.* COMMON) }
}
