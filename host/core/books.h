// Books: running applications with pages of event handlers. The add-on's books are created by
// fw_create_book; the firmware's own (the media player's) by the phone. Events reach every page
// of every book that lists them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fw_types.h"

namespace host {

class Phone;

class Books {
 public:
  explicit Books(Phone& phone);
  ~Books();

  // fw_create_book: takes over `book` (allocated by the add-on's allocator).
  int create(BOOK* book, BookCloseProc on_close, const PAGE_DESC* base, const char* name);
  // fw_book_free: runs the close callback, frees the book's GUI objects and the record. A book
  // freed while one of its own handlers runs is torn down after that handler returns.
  void free(BOOK* book);
  BOOK* find(BookPredicate pred) const;
  // The first live book of that name (the firmware's record of it), or null.
  BOOK* find_named(std::string_view name) const;

  // A firmware book (no close callback, not counted as the add-on's); `addr` is its image in
  // firmware memory. Destroyed with destroy_firmware_book or with the phone.
  BOOK* create_firmware_book(const std::string& name, FwAddr addr);
  void destroy_firmware_book(BOOK* book);

  // Delivers an event (a firmware code) to every book whose pages list it, in creation order.
  // Returns how many handlers ran.
  int broadcast(uint32_t code, void* data);

  void add_gui(BOOK* book, GUI* gui);
  // The GUI objects attached to a book, in attachment order.
  std::vector<GUI*> guis(const BOOK* book) const;
  void detach_gui(GUI* gui);
  void bring_to_front(BOOK* book);
  BOOK* front() const { return front_; }

  bool is_live(const BOOK* book) const;
  size_t live_addon_books() const;
  size_t addon_books_created() const { return created_; }

  // Called after every queued task: finishes teardowns that waited for a handler to return.
  void flush();
  // How a book's remaining GUI objects are released when the book goes.
  void set_gui_release(std::function<void(GUI*)> f) { gui_release_ = std::move(f); }

 private:
  struct Entry;
  Entry* entry(const BOOK* book) const;
  // Makes the firmware's record of the entry's book and fills the book in.
  void make_record(Entry& e, const char* name, FwAddr image);

  Phone& phone_;
  std::vector<std::unique_ptr<Entry>> books_;
  BOOK* front_ = nullptr;
  size_t created_ = 0;
  std::vector<BOOK*> running_;  // books whose handler is on the stack
  std::function<void(GUI*)> gui_release_;
};

}  // namespace host
