#include "player/mpg123_handle.h"

namespace host {
namespace {

// mpg123_init is a no-op since 1.27 but still required by older libraries; once is enough.
bool library_ready() {
  static const bool ok = mpg123_init() == MPG123_OK;
  return ok;
}

}  // namespace

void Mpg123Deleter::operator()(mpg123_handle* h) const {
  mpg123_close(h);
  mpg123_delete(h);
}

Mpg123 new_mpg123() {
  if (!library_ready()) return nullptr;
  int err = MPG123_OK;
  Mpg123 h(mpg123_new(nullptr, &err));
  if (!h || err != MPG123_OK) return nullptr;
  // The tags are TagLib's to read: libmpg123 would read a whole ID3v2 tag into memory to parse
  // it, a quarter of a gigabyte for a tag that size, where skipping it is one seek.
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
  mpg123_param(h.get(), MPG123_RESYNC_LIMIT, kResyncLimitBytes, 0.0);
  return h;
}

}  // namespace host
