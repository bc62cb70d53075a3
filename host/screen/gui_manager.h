// GUI objects, display classes and the frames the phone composes.
//
// A GUI object is made by fw_gui_create from storage the add-on allocated: the firmware calls the
// class constructor (which names the class, sets the display object's size and its methods through
// the fw_disp_desc_* services), allocates the display object (that size, zeroed, DISP_OBJ first;
// the phone's memory, counted here, not the add-on's) and runs its create method. From then on the
// phone owns the GUI object until fw_gui_free, which runs the close method, then the class
// destructor, and frees the display object; the add-on's storage is never freed by the phone.
// A GUI object freed while one of its own methods runs is torn down when that method returns.
//
// Frames. Redraws never run inside the caller: fw_gui_show and fw_disp_invalidate mark the object
// dirty, and flush(), which the phone calls after every queued task, composes a frame: first the
// screen beneath (the media player's own screen, or the idle screen when the player is not
// running: phone_screens.h), then each shown GUI object from the bottom up: its backdrop (opaque
// black, or nothing after fw_disp_set_backdrop(obj, 0)) and its redraw method. A shown object
// covers the whole screen.
// Pixel memory always holds the last composed frame; refresh_screen() recomposes it when the
// player's state changes.
//
// Drawing without a graphics context (fw_draw_rect, fw_draw_text) uses the context in use: that
// of the display object whose redraw runs, else the whole screen.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/module.h"
#include "platform/fw_types.h"
#include "screen/screen.h"

// A graphics context: its clip rectangle (default the whole screen) and two further properties
// the firmware keeps for the drawing code (flag default 0, setting default 0).
struct GC {
  RECT clip;
  int flag;
  int setting;
};

namespace host {

class Phone;

struct GuiInfo {
  std::string class_name;
  int object_size = 0;  // the display object's size as the class set it
  BOOK* book = nullptr;
  int style = 0;
  int mode = 0;
  bool prepared = false;
  bool shown = false;
  bool backdrop = true;
  bool dirty = false;
  uint64_t redraws = 0;
};

class GuiManager {
 public:
  // The largest display object a class may ask for.
  static constexpr int MAX_OBJECT_SIZE = 1 << 20;
  static constexpr uint32_t BACKDROP_COLOR = 0xFF000000;

  explicit GuiManager(Phone& phone);
  ~GuiManager();
  GuiManager(const GuiManager&) = delete;
  GuiManager& operator=(const GuiManager&) = delete;

  // fw_gui_create: `storage`, or null when the class or its create method refuses (a null
  // constructor, a size beyond MAX_OBJECT_SIZE, create returning 0) or the storage is in use.
  GUI* create(GUI* storage, DispDescProc destr, DispDescProc constr, BOOK* book);
  DISP_OBJ* disp_obj(const GUI* gui) const;
  void set_style(GUI* gui, int style);
  void set_mode(GUI* gui, int mode);
  void prepare(GUI* gui);
  void show(GUI* gui);
  // fw_gui_free; also what a book's teardown calls for its GUI objects. Unknown objects and
  // objects already on their way out are ignored.
  void free(GUI* gui);
  void invalidate(DISP_OBJ* obj);
  void set_backdrop(DISP_OBJ* obj, int value);
  GC* gc(DISP_OBJ* obj);

  // The display-class services, valid while the class constructor runs.
  void desc_set_name(DISP_DESC* desc, const char* name);
  void desc_set_size(DISP_DESC* desc, int size);
  void desc_set_on_create(DISP_DESC* desc, DispCreateProc f);
  void desc_set_on_close(DISP_DESC* desc, DispCloseProc f);
  void desc_set_on_redraw(DISP_DESC* desc, DispRedrawProc f);
  void desc_set_on_key(DISP_DESC* desc, DispKeyProc f);

  // Graphics contexts: a live one is its display object's; null and unknown ones stand for the
  // context in use. clip_of gives the clip box (within the screen) drawing through it obeys.
  bool is_gc(const GC* gc) const;
  Box clip_of(const GC* gc) const;
  GC* current_gc();

  // A key press mode for the topmost shown GUI object: its key method gets (obj, key, 0, 0,
  // mode). False when no shown object takes keys.
  bool deliver_key(int key, int mode);

  // Composes a frame when anything asked for one (after every queued task).
  void flush();
  // The player's state changed: the screen beneath is recomposed, at once when no GUI object is
  // shown, else with the next frame.
  void refresh_screen();
  // Composes a frame now.
  void compose();

  // Called with the virtual time after every composed frame (picture output, the interactive
  // window). Returns an id for remove_frame_listener.
  int add_frame_listener(std::function<void(int64_t t_ms)> f);
  void remove_frame_listener(int id);
  // Called with every GUI object as it is torn down (books forget it).
  // Paints what lies beneath the GUI objects (the phone's own screens) when none covers it all.
  void set_beneath(std::function<void()> paint) { beneath_ = std::move(paint); }
  void set_free_listener(std::function<void(GUI*)> f) { on_free_ = std::move(f); }

  // Forgets, without calling them, the GUI objects with a method the test accepts (a module that
  // is unloaded); returns how many.
  size_t drop_code_in(const CodeTest& in_module);

  size_t live() const { return records_.size(); }
  uint64_t redraws() const { return redraws_; }     // redraw methods run
  uint64_t frames() const { return frames_; }       // frames composed
  bool is_live(const GUI* gui) const;
  bool is_shown(const GUI* gui) const;
  GUI* top() const;  // topmost shown object, or null
  std::optional<GuiInfo> info(const GUI* gui) const;

 private:
  struct Record;
  Record* find(const GUI* gui) const;
  Record* find(const DISP_OBJ* obj) const;
  Record* find(const DISP_DESC* desc) const;
  template <typename F>
  void run_method(Record* r, bool draws, F&& f);
  void teardown(Record* r);
  // Takes a GUI object off the screen; what teardown and drop_code_in share.
  void hide(Record* r);
  // Forgets a GUI object without calling it (after its methods ran, or when its code is gone).
  void forget(Record* r);
  bool needs_frame() const;

  Phone& phone_;
  std::map<const GUI*, std::unique_ptr<Record>> records_;
  std::vector<GUI*> shown_;           // bottom to top
  Record* constructing_ = nullptr;    // the record whose class constructor runs
  Record* current_ = nullptr;         // the record whose redraw runs
  GC screen_gc_;
  bool screen_dirty_ = true;
  bool composing_ = false;
  uint64_t redraws_ = 0;
  uint64_t frames_ = 0;
  std::map<int, std::function<void(int64_t)>> frame_listeners_;
  int next_listener_ = 1;
  std::function<void(GUI*)> on_free_;
  std::function<void()> beneath_;
};

}  // namespace host
