// Every firmware service: FW_SERVICE(number, name, result, (parameters), (arguments)), in groups.
// Numbers with 0x8000 added give the service's entry itself rather than calling it.
// Include with FW_SERVICE defined; fw_format_wstr (variadic) stands apart, see fw_services.h.

// Memory
FW_SERVICE(0x103, fw_malloc, void*, (int size), (size))
FW_SERVICE(0x104, fw_free, void, (void* p), (p))
FW_SERVICE(0x8104, fw_free_entry, FreeProc, (), ())
FW_SERVICE(0x112, fw_memset, void*, (void* p, int value, int size), (p, value, size))
FW_SERVICE(0x113, fw_memcpy, void*, (void* dst, const void* src, int size), (dst, src, size))

// Strings
FW_SERVICE(0x152, fw_wstrcpy, char16_t*, (char16_t* dst, const char16_t* src), (dst, src))
FW_SERVICE(0x154, fw_wstrcat, char16_t*, (char16_t* dst, const char16_t* src), (dst, src))
FW_SERVICE(0x156, fw_wstr_compare, int, (const char16_t* a, const char16_t* b), (a, b))
FW_SERVICE(0x157, fw_wstrlen, int, (const char16_t* s), (s))
FW_SERVICE(0x159, fw_strcmp, int, (const char* a, const char* b), (a, b))
FW_SERVICE(0x29F, fw_wstrcmp, int, (const char16_t* a, const char16_t* b), (a, b))

// Files and folders
FW_SERVICE(0x105, fw_get_dir, const char16_t*, (int id), (id))
FW_SERVICE(0x116, fw_file_open, int,
           (const char16_t* path, const char16_t* name, int mode, int perm, int reserved),
           (path, name, mode, perm, reserved))
FW_SERVICE(0x117, fw_file_close, int, (int fd), (fd))
FW_SERVICE(0x118, fw_file_read, int, (int fd, void* buf, int size), (fd, buf, size))
FW_SERVICE(0x119, fw_file_write, int, (int fd, const void* buf, int size), (fd, buf, size))
FW_SERVICE(0x11C, fw_file_stat, int, (const char16_t* path, const char16_t* name, FSTAT* st),
           (path, name, st))
FW_SERVICE(0x176, fw_file_seek, int, (int fd, int offset, int whence), (fd, offset, whence))

// Text handles
FW_SERVICE(0x15D, fw_text_from_wstr, TEXTID, (const char16_t* s, int flags, int max), (s, flags, max))
FW_SERVICE(0x15C, fw_text_from_int, TEXTID, (int value), (value))
FW_SERVICE(0x161, fw_text_free, void, (TEXTID text), (text))

// Images
FW_SERVICE(0x2CC, fw_image_load, int, (const char16_t* path, const char16_t* name, IMAGEID* id),
           (path, name, id))
FW_SERVICE(0x2CD, fw_image_free, void, (IMAGEID id), (id))
FW_SERVICE(0x302, fw_image_from_buffer, int,
           (void* buf, int size, int reserved, const char16_t* type, IMAGEID* id),
           (buf, size, reserved, type, id))

// Screen and drawing
FW_SERVICE(0x259, fw_display_width, int, (int display), (display))
FW_SERVICE(0x258, fw_display_height, int, (int display), (display))
FW_SERVICE(0x1E5, fw_get_gc, GC*, (DISP_OBJ* obj), (obj))
FW_SERVICE(0x1E7, fw_gc_get_clip, void, (GC* gc, RECT* rc), (gc, rc))
FW_SERVICE(0x1EA, fw_gc_set_clip, void, (GC* gc, const RECT* rc), (gc, rc))
FW_SERVICE(0x1E8, fw_gc_get_flag, int, (GC* gc), (gc))
FW_SERVICE(0x1E9, fw_gc_set_flag, void, (GC* gc, int flag), (gc, flag))
FW_SERVICE(0x25F, fw_gc_get_setting, int, (GC* gc), (gc))
FW_SERVICE(0x260, fw_gc_set_setting, void, (GC* gc, int setting), (gc, setting))
FW_SERVICE(0x1F1, fw_set_font, int, (int font), (font))
FW_SERVICE(0x1ED, fw_draw_text, void,
           (TEXTID text, int align, int x1, int y1, int x2, int y2, int a, int b, uint32_t color,
            int c),
           (text, align, x1, y1, x2, y2, a, b, color, c))
FW_SERVICE(0x140, fw_draw_image, void, (GC* gc, int x, int y, int w, int h, IMAGEID id),
           (gc, x, y, w, h, id))
FW_SERVICE(0x1EC, fw_draw_rect, void,
           (int x1, int y1, int x2, int y2, uint32_t frame, uint32_t fill),
           (x1, y1, x2, y2, frame, fill))
FW_SERVICE(0x8177, fw_screen_ref_family8, FwAddr, (), ())
FW_SERVICE(0x8285, fw_screen_ref_family9, FwAddr, (), ())

// GUI objects and display classes
FW_SERVICE(0x1F0, fw_gui_create, GUI*,
           (GUI* storage, DispDescProc destr, DispDescProc constr, BOOK* book, int a, int b, int c),
           (storage, destr, constr, book, a, b, c))
FW_SERVICE(0x168, fw_gui_get_disp_obj, DISP_OBJ*, (GUI* gui), (gui))
FW_SERVICE(0x136, fw_gui_set_style, void, (GUI* gui, int style), (gui, style))
FW_SERVICE(0x281, fw_gui_set_mode, void, (GUI* gui, int mode), (gui, mode))
FW_SERVICE(0x2A1, fw_gui_prepare, void, (GUI* gui), (gui))
FW_SERVICE(0x134, fw_gui_show, void, (GUI* gui), (gui))
FW_SERVICE(0x1CE, fw_gui_free, void, (GUI* gui), (gui))
FW_SERVICE(0x1EF, fw_disp_invalidate, void, (DISP_OBJ* obj, int reserved), (obj, reserved))
FW_SERVICE(0x309, fw_disp_set_backdrop, void, (DISP_OBJ* obj, int value), (obj, value))
FW_SERVICE(0x220, fw_disp_desc_set_name, void, (DISP_DESC* desc, const char* name), (desc, name))
FW_SERVICE(0x222, fw_disp_desc_set_size, void, (DISP_DESC* desc, int size), (desc, size))
FW_SERVICE(0x224, fw_disp_desc_set_on_create, void, (DISP_DESC* desc, DispCreateProc f), (desc, f))
FW_SERVICE(0x226, fw_disp_desc_set_on_close, void, (DISP_DESC* desc, DispCloseProc f), (desc, f))
FW_SERVICE(0x228, fw_disp_desc_set_on_redraw, void, (DISP_DESC* desc, DispRedrawProc f), (desc, f))
FW_SERVICE(0x22A, fw_disp_desc_set_on_key, void, (DISP_DESC* desc, DispKeyProc f), (desc, f))

// Books
FW_SERVICE(0x12B, fw_create_book, int,
           (BOOK* book, BookCloseProc on_close, const PAGE_DESC* base, const char* name, int a,
            int b),
           (book, on_close, base, name, a, b))
FW_SERVICE(0x12F, fw_book_free, void, (BOOK* book), (book))
FW_SERVICE(0x130, fw_find_book, BOOK*, (BookPredicate pred), (pred))
FW_SERVICE(0x1EB, fw_book_add_gui, void, (BOOK* book, GUI* gui), (book, gui))
FW_SERVICE(0x172, fw_book_bring_to_front, void, (BOOK* book, int reserved), (book, reserved))

// Timers and deferred calls
FW_SERVICE(0x128, fw_timer_set, void, (uint16_t* timer, int ms, TimerProc f, void* data),
           (timer, ms, f, data))
FW_SERVICE(0x12A, fw_timer_kill, void, (uint16_t* timer), (timer))
FW_SERVICE(0x108, fw_run_deferred, void, (DeferredProc f), (f))
FW_SERVICE(0x109, fw_run_in_ui_task, void, (TimerProc f), (f))

// Keys
FW_SERVICE(0x107, fw_key_hook, int, (KeyHookProc hook, int install), (hook, install))

// Media player
FW_SERVICE(0x1A8, fw_send_ui_event, void, (int event), (event))
FW_SERVICE(0x247, fw_player_play_pause, void, (int reserved), (reserved))
FW_SERVICE(0x828B, fw_player_book_predicate, BookPredicate, (), ())

// Tags
FW_SERVICE(0x2EF, fw_metadata_open, FwHandle, (const char16_t* path, const char16_t* name),
           (path, name))
FW_SERVICE(0x2F0, fw_metadata_close, void, (FwHandle handle), (handle))
FW_SERVICE(0x2F1, fw_metadata_get_tag, const char16_t*, (FwHandle handle, int tag), (handle, tag))
FW_SERVICE(0x301, fw_metadata_get_cover, int,
           (FwHandle handle, uint8_t* type, int* size, int* offset),
           (handle, type, size, offset))

// Messages and programs
FW_SERVICE(0x10D, fw_run_elf, int,
           (const char16_t* path, const char16_t* arg1, const char16_t* arg2, int arg3),
           (path, arg1, arg2, arg3))
FW_SERVICE(0x257, fw_message_box, void,
           (TEXTID title, TEXTID text, int icon, int style, int ms, BOOK* owner),
           (title, text, icon, style, ms, owner))

// Platform
FW_SERVICE(0x24E, fw_platform_id, int, (), ())
