#include "core/books.h"

#include <algorithm>

#include "core/codes.h"
#include "core/memory.h"
#include "core/trace.h"
#include "core/shared_memory.h"
#include "phone/phone.h"

namespace host {

struct Books::Entry {
  BOOK* book = nullptr;
  // The firmware's record of the book (the book, then its name) and the name, where the add-on
  // reads them.
  SharedBlock rec;
  SharedBlock name;
  BookCloseProc on_close = nullptr;
  const PAGE_DESC* base = nullptr;
  bool firmware = false;
  bool dying = false;  // closed; the record goes after the running task
  std::vector<GUI*> guis;
  std::unique_ptr<BOOK> own;  // a firmware book's record, when the phone keeps its own
};

void Books::make_record(Entry& e, const char* name, FwAddr image) {
  SharedMemory& shared = phone_.shared();
  e.name = SharedBlock(shared, shared.copy_string(name));
  e.rec = SharedBlock(shared, 2 * shared.word());
  shared.put_pointer(e.rec.as(), e.book);
  shared.put_pointer(e.rec.as() + shared.word(), e.name.as());
  shared.init_book(e.book, e.rec.as(), image);
}

Books::Books(Phone& phone) : phone_(phone) {}

Books::~Books() = default;

Books::Entry* Books::entry(const BOOK* book) const {
  for (const auto& e : books_)
    if (e->book == book && !e->dying) return e.get();
  return nullptr;
}

int Books::create(BOOK* book, BookCloseProc on_close, const PAGE_DESC* base, const char* name) {
  if (!book) return -1;
  auto e = std::make_unique<Entry>();
  e->book = book;
  e->on_close = on_close;
  e->base = base;
  make_record(*e, name, 0);
  books_.push_back(std::move(e));
  ++created_;
  front_ = book;
  return 0;
}

BOOK* Books::create_firmware_book(const std::string& name, FwAddr addr) {
  auto e = std::make_unique<Entry>();
  e->book = phone_.shared().book_at(addr);
  if (!e->book) {
    e->own = std::make_unique<BOOK>();
    e->book = e->own.get();
  }
  e->firmware = true;
  make_record(*e, name.c_str(), addr);
  books_.push_back(std::move(e));
  return books_.back()->book;
}

void Books::destroy_firmware_book(BOOK* book) {
  Entry* e = entry(book);
  if (!e || !e->firmware) return;
  e->dying = true;
  if (front_ == book) front_ = nullptr;
  flush();
}

void Books::free(BOOK* book) {
  Entry* e = entry(book);
  if (!e) return;
  // The close callback runs now, inside the caller; the record and the book's remaining GUI
  // objects go once the running callback has returned.
  e->dying = true;
  if (front_ == book) front_ = nullptr;
  if (e->on_close) e->on_close(book);
  if (running_.empty()) flush();
}

void Books::flush() {
  if (!running_.empty()) return;
  for (size_t i = 0; i < books_.size();) {
    Entry* e = books_[i].get();
    if (!e->dying) {
      ++i;
      continue;
    }
    std::vector<GUI*> guis = std::move(e->guis);
    BOOK* book = e->book;
    bool firmware = e->firmware;
    auto keep = std::move(books_[i]);
    books_.erase(books_.begin() + long(i));
    if (gui_release_)
      for (GUI* g : guis) gui_release_(g);
    if (!firmware) phone_.memory().free(book);
  }
}

BOOK* Books::find(BookPredicate pred) const {
  if (!pred) return nullptr;
  // The predicate may be the add-on's own code; copy the list first, it may create books.
  std::vector<BOOK*> live;
  for (const auto& e : books_)
    if (!e->dying) live.push_back(e->book);
  for (BOOK* b : live)
    if (pred(b)) return b;
  return nullptr;
}

BOOK* Books::find_named(std::string_view name) const {
  for (const auto& e : books_)
    if (!e->dying && e->name.as<const char>() == name) return e->book;
  return nullptr;
}

int Books::broadcast(uint32_t code, void* data) {
  std::vector<BOOK*> targets;
  for (const auto& e : books_)
    if (!e->dying && e->base) targets.push_back(e->book);
  int handled = 0;
  for (BOOK* b : targets) {
    Entry* e = entry(b);
    if (!e) continue;  // freed by an earlier handler of this event
    for (const PAGE_MSG* m = e->base->msg; m && m->handler; ++m) {
      if (m->event != code) continue;
      // The trace shows what reached the book, so that a run shows why the add-on called what.
      if (Trace& t = phone_.trace(); t.active()) {
        const char* name = codes::event_name(code);
        t.write(std::string("# event ") + (name ? name : std::to_string(code)) + " to " +
                e->name.as<const char>());
      }
      running_.push_back(b);
      m->handler(data, b);
      running_.pop_back();
      ++handled;
      break;
    }
  }
  flush();
  return handled;
}

void Books::add_gui(BOOK* book, GUI* gui) {
  if (Entry* e = entry(book))
    if (gui && std::find(e->guis.begin(), e->guis.end(), gui) == e->guis.end())
      e->guis.push_back(gui);
}

std::vector<GUI*> Books::guis(const BOOK* book) const {
  Entry* e = entry(book);
  return e ? e->guis : std::vector<GUI*>{};
}

void Books::detach_gui(GUI* gui) {
  for (auto& e : books_) std::erase(e->guis, gui);
}

void Books::bring_to_front(BOOK* book) {
  if (entry(book)) front_ = book;
}

bool Books::is_live(const BOOK* book) const { return entry(book) != nullptr; }

size_t Books::live_addon_books() const {
  size_t n = 0;
  for (const auto& e : books_)
    if (!e->firmware) ++n;
  return n;
}

}  // namespace host
