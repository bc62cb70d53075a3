#include "core/memory.h"

#include <cstdlib>

namespace host {

Memory::~Memory() {
  for (auto& [p, size] : blocks_) std::free(const_cast<void*>(p));
}

void* Memory::alloc(size_t size) {
  void* p = std::malloc(size ? size : 1);
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
  std::free(p);
  return true;
}

}  // namespace host
