/* Joins the add-on's pieces into one relocatable object whose writable data and zero-filled data
   each lie in one section of their own, so that a test program can find all of the add-on's
   globals (addon_state.cpp) and put them back as they were when the program started. */
SECTIONS
{
  /* A coverage build's counters and the records that chain them (-fdata-sections): were they put
     back with the globals, each reset would drop what the test had counted. */
  ts_addon_gcov : { *(.bss.__gcov0.* .data.rel.local.__gcov_.* .data.rel..LPBX* .data.rel.local..LPBX*) }
  .data.rel.ro : { *(.data.rel.ro .data.rel.ro.*) }
  ts_addon_data : { *(.data .data.* .data.rel .data.rel.* ) }
  ts_addon_bss : { *(.bss .bss.* COMMON) }
}
