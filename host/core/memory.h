// The firmware allocator with accounting: every block the add-on allocates is counted until freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace host {

class SharedMemory;

class Memory {
 public:
  // Blocks come from `shared`, where the add-on can reach them.
  explicit Memory(SharedMemory& shared) : shared_(shared) {}
  // Blocks still live when the phone shuts down (an add-on that is still running) are released.
  ~Memory();
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;

  void* alloc(size_t size);
  // Frees a block from alloc(); false for a pointer that is not a live block (nothing is freed).
  bool free(void* p);
  bool owns(const void* p) const { return blocks_.count(p) != 0; }

  size_t live_blocks() const { return blocks_.size(); }
  size_t live_bytes() const { return live_bytes_; }
  // The most bytes live at once since the phone started: a phone's heap is small.
  size_t peak_bytes() const { return peak_bytes_; }
  size_t total_allocs() const { return total_; }
  size_t bad_frees() const { return bad_frees_; }

 private:
  SharedMemory& shared_;
  std::unordered_map<const void*, size_t> blocks_;
  size_t live_bytes_ = 0;
  size_t peak_bytes_ = 0;
  size_t total_ = 0;
  size_t bad_frees_ = 0;
};

}  // namespace host
