#include "screen/gui_manager.h"

#include <algorithm>

#include "core/event_queue.h"
#include "core/memory.h"
#include "core/shared_memory.h"
#include "phone/phone.h"

namespace host {

// What info() reports (the class's name and object size, as its constructor set them; the
// object's settings and state), and what the phone keeps besides.
struct GuiManager::Record : GuiInfo {
  GUI* gui = nullptr;
  DispDescProc destr = nullptr;
  // The class descriptor, the display object and the graphics context lie where the add-on
  // reaches them.
  SharedBlock desc_block;
  DISP_DESC* desc = nullptr;
  DispCreateProc on_create = nullptr;
  DispCloseProc on_close = nullptr;
  DispRedrawProc on_redraw = nullptr;
  DispKeyProc on_key = nullptr;
  // The display object: `object_size` zeroed bytes, DISP_OBJ first.
  SharedBlock memory;
  DISP_OBJ* obj = nullptr;
  SharedBlock gc_block;
  GC* gc = nullptr;
  int busy = 0;         // methods of this object on the stack
  bool doomed = false;  // freed; torn down when no method of it runs
  bool closing = false;
};

GuiManager::GuiManager(Phone& phone) : phone_(phone) {
  screen_gc_ = GC{RECT{0, uint16_t(phone.options().screen_w), 0, uint16_t(phone.options().screen_h)},
                  0, 0};
}

// The add-on is unloaded before the phone's subsystems go, so no method may run now.
GuiManager::~GuiManager() = default;

GuiManager::Record* GuiManager::find(const GUI* gui) const {
  auto it = records_.find(gui);
  return it == records_.end() ? nullptr : it->second.get();
}

GuiManager::Record* GuiManager::find(const DISP_OBJ* obj) const {
  if (!obj) return nullptr;
  for (auto& [g, r] : records_)
    if (r->obj == obj) return r.get();
  return nullptr;
}

GuiManager::Record* GuiManager::find(const DISP_DESC* desc) const {
  if (!desc) return nullptr;
  if (constructing_ && constructing_->desc == desc) return constructing_;
  for (auto& [g, r] : records_)
    if (r->desc == desc) return r.get();
  return nullptr;
}

template <typename F>
void GuiManager::run_method(Record* r, bool draws, F&& f) {
  Record* saved = current_;
  if (draws) current_ = r;
  ++r->busy;
  f();
  --r->busy;
  current_ = saved;
  if (r->busy == 0 && r->doomed && !r->closing) teardown(r);
}

GUI* GuiManager::create(GUI* storage, DispDescProc destr, DispDescProc constr, BOOK* book) {
  if (!storage || !constr || find(storage)) return nullptr;
  auto rec = std::make_unique<Record>();
  Record* r = rec.get();
  r->gui = storage;
  r->book = book;
  r->destr = destr;
  SharedMemory& shared = phone_.shared();
  r->desc_block = SharedBlock(shared, shared.word());
  r->desc = r->desc_block.as<DISP_DESC>();
  r->gc_block = SharedBlock(shared, sizeof(GC));
  r->gc = r->gc_block.as<GC>();
  *r->gc = GC{screen_gc_.clip, 0, 0};

  constructing_ = r;
  constr(r->desc);
  constructing_ = nullptr;

  if (r->object_size < 0 || r->object_size > MAX_OBJECT_SIZE) {
    if (destr) destr(r->desc);
    return nullptr;
  }
  // The GUI object and its display object point at each other.
  r->memory = SharedBlock(shared, std::max(size_t(r->object_size), shared.word()));
  r->obj = r->memory.as<DISP_OBJ>();
  shared.put_pointer(r->obj, storage);
  shared.put_pointer(storage, r->obj);
  records_.emplace(storage, std::move(rec));

  int ok = 1;
  if (r->on_create) run_method(r, false, [&] { ok = r->on_create(r->obj); });
  Record* still = find(storage);
  if (still != r || r->doomed || ok == 0) {
    // Refused by its create method (or freed inside it): the object never existed.
    if (still == r) {
      if (r->destr) r->destr(r->desc);
      shown_.erase(std::remove(shown_.begin(), shown_.end(), storage), shown_.end());
      records_.erase(storage);
    }
    return nullptr;
  }
  return storage;
}

DISP_OBJ* GuiManager::disp_obj(const GUI* gui) const {
  Record* r = find(gui);
  return r ? r->obj : nullptr;
}

void GuiManager::set_style(GUI* gui, int style) {
  if (Record* r = find(gui)) r->style = style;
}

void GuiManager::set_mode(GUI* gui, int mode) {
  if (Record* r = find(gui)) r->mode = mode;
}

void GuiManager::prepare(GUI* gui) {
  if (Record* r = find(gui)) r->prepared = true;
}

void GuiManager::show(GUI* gui) {
  Record* r = find(gui);
  if (!r || r->doomed) return;
  shown_.erase(std::remove(shown_.begin(), shown_.end(), gui), shown_.end());
  shown_.push_back(gui);
  r->shown = true;
  r->dirty = true;
}

void GuiManager::free(GUI* gui) {
  Record* r = find(gui);
  if (!r || r->doomed) return;
  r->doomed = true;
  if (r->busy == 0) teardown(r);
}

void GuiManager::teardown(Record* r) {
  r->closing = true;
  GUI* gui = r->gui;
  hide(r);
  if (r->on_close) run_method(r, false, [&] { r->on_close(r->obj); });
  if (r->destr) r->destr(r->desc);
  forget(r);
  // The storage was the add-on's until creation; from then on it is ours to free.
  if (phone_.memory().owns(gui)) phone_.memory().free(gui);
}

void GuiManager::hide(Record* r) {
  if (r->shown) screen_dirty_ = true;
  shown_.erase(std::remove(shown_.begin(), shown_.end(), r->gui), shown_.end());
  r->shown = false;
}

void GuiManager::forget(Record* r) {
  GUI* gui = r->gui;
  hide(r);
  if (current_ == r) current_ = nullptr;
  records_.erase(gui);
  if (on_free_) on_free_(gui);
}

void GuiManager::invalidate(DISP_OBJ* obj) {
  if (Record* r = find(obj)) r->dirty = true;
}

void GuiManager::set_backdrop(DISP_OBJ* obj, int value) {
  if (Record* r = find(obj)) {
    r->backdrop = value != 0;
    r->dirty = true;
  }
}

GC* GuiManager::gc(DISP_OBJ* obj) {
  Record* r = find(obj);
  return r ? r->gc : nullptr;
}

void GuiManager::desc_set_name(DISP_DESC* desc, const char* name) {
  if (Record* r = find(desc)) r->class_name = name ? name : "";
}
void GuiManager::desc_set_size(DISP_DESC* desc, int size) {
  if (Record* r = find(desc)) r->object_size = size;
}
void GuiManager::desc_set_on_create(DISP_DESC* desc, DispCreateProc f) {
  if (Record* r = find(desc)) r->on_create = f;
}
void GuiManager::desc_set_on_close(DISP_DESC* desc, DispCloseProc f) {
  if (Record* r = find(desc)) r->on_close = f;
}
void GuiManager::desc_set_on_redraw(DISP_DESC* desc, DispRedrawProc f) {
  if (Record* r = find(desc)) r->on_redraw = f;
}
void GuiManager::desc_set_on_key(DISP_DESC* desc, DispKeyProc f) {
  if (Record* r = find(desc)) r->on_key = f;
}

bool GuiManager::is_gc(const GC* gc) const {
  if (!gc) return false;
  if (gc == &screen_gc_) return true;
  for (auto& [g, r] : records_)
    if (r->gc == gc) return true;
  return false;
}

Box GuiManager::clip_of(const GC* gc) const {
  if (!is_gc(gc)) gc = current_ ? current_->gc : &screen_gc_;
  return Box::of(gc->clip).intersect(phone_.screen().bounds());
}

GC* GuiManager::current_gc() { return current_ ? current_->gc : &screen_gc_; }

bool GuiManager::deliver_key(int key, int mode) {
  for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
    Record* r = find(*it);
    if (!r || r->doomed) continue;
    if (!r->on_key) return false;
    run_method(r, false, [&] { r->on_key(r->obj, key, 0, 0, mode); });
    return true;
  }
  return false;
}

bool GuiManager::needs_frame() const {
  if (screen_dirty_) return true;
  for (GUI* g : shown_)
    if (Record* r = find(g); r && r->dirty) return true;
  return false;
}

void GuiManager::flush() {
  if (composing_) return;
  // A frame may free a GUI object (a finished hide); the next frame shows the screen without it.
  for (int i = 0; i < 4 && needs_frame(); ++i) compose();
}

void GuiManager::refresh_screen() {
  screen_dirty_ = true;
  if (shown_.empty() && !composing_) compose();
}

void GuiManager::compose() {
  if (composing_) return;
  composing_ = true;
  screen_dirty_ = false;
  for (auto& [g, r] : records_) r->dirty = false;
  Screen& screen = phone_.screen();
  const std::vector<GUI*> order = shown_;
  // An opaque backdrop hides the screen beneath: it need not be painted.
  bool covered = false;
  for (GUI* g : order)
    if (Record* r = find(g); r && !r->doomed && r->shown && r->backdrop) covered = true;
  if (!covered && beneath_) beneath_();
  for (GUI* g : order) {
    Record* r = find(g);
    if (!r || r->doomed || !r->shown) continue;
    if (r->backdrop) screen.fill(screen.bounds(), BACKDROP_COLOR, screen.bounds());
    if (r->on_redraw) {
      ++redraws_;
      ++r->redraws;
      run_method(r, true, [&] { r->on_redraw(r->obj, 0, 0, 0); });
    }
  }
  ++frames_;
  composing_ = false;
  const int64_t now = phone_.queue().now();
  const auto listeners = frame_listeners_;
  for (auto& [id, f] : listeners) f(now);
}

int GuiManager::add_frame_listener(std::function<void(int64_t)> f) {
  int id = next_listener_++;
  frame_listeners_.emplace(id, std::move(f));
  return id;
}

void GuiManager::remove_frame_listener(int id) { frame_listeners_.erase(id); }

size_t GuiManager::drop_code_in(const CodeTest& in_module) {
  auto in = [&](auto f) { return f && in_module(reinterpret_cast<uintptr_t>(f)); };
  std::vector<Record*> dropped;
  for (auto& [g, r] : records_)
    if (in(r->destr) || in(r->on_create) || in(r->on_close) || in(r->on_redraw) || in(r->on_key))
      dropped.push_back(r.get());
  for (Record* r : dropped) forget(r);
  return dropped.size();
}

bool GuiManager::is_live(const GUI* gui) const { return find(gui) != nullptr; }

bool GuiManager::is_shown(const GUI* gui) const {
  Record* r = find(gui);
  return r && r->shown;
}

GUI* GuiManager::top() const {
  for (auto it = shown_.rbegin(); it != shown_.rend(); ++it)
    if (Record* r = find(*it); r && !r->doomed) return *it;
  return nullptr;
}

std::optional<GuiInfo> GuiManager::info(const GUI* gui) const {
  Record* r = find(gui);
  if (!r) return std::nullopt;
  return GuiInfo(*r);
}

}  // namespace host
