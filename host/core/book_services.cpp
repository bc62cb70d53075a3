// Books: the phone's services fw_create_book, fw_book_free, fw_find_book, fw_book_add_gui,
// fw_book_bring_to_front.

#include "core/books.h"
#include "core/service_table.h"
#include "phone/phone.h"

namespace host::svc {

int fw_create_book(BOOK* book, BookCloseProc on_close, const PAGE_DESC* base, const char* name, int,
                   int) {
  return phone().books().create(book, on_close, base, name);
}

void fw_book_free(BOOK* book) { phone().books().free(book); }

BOOK* fw_find_book(BookPredicate pred) { return phone().books().find(pred); }

void fw_book_add_gui(BOOK* book, GUI* gui) { phone().books().add_gui(book, gui); }

void fw_book_bring_to_front(BOOK* book, int) {
  if (book) phone().books().bring_to_front(book);
}

}  // namespace host::svc
