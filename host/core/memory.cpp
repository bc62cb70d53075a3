#include "core/memory.h"

#include "core/shared_memory.h"

namespace host {

Memory::~Memory() {
  for (auto& [p, size] : blocks_) {
    try {
      shared_.release(const_cast<void*>(p));
    } catch (...) {
      // A block the add-on wrote past is reported while it runs; at shutdown it just goes.
    }
  }
}

void* Memory::alloc(size_t size) {
  void* p = shared_.allocate(size);
  if (!p) return nullptr;
  blocks_[p] = size;
  live_bytes_ += size;
  if (live_bytes_ > peak_bytes_) peak_bytes_ = live_bytes_;
  ++total_;
  return p;
}

bool Memory::free(void* p) {
  auto it = blocks_.find(p);
  if (it == blocks_.end()) {
    if (p) ++bad_frees_;
    return false;
  }
  live_bytes_ -= it->second;
  blocks_.erase(it);
  shared_.release(p);
  return true;
}

}  // namespace host
