// Where the phone keeps what the add-on reads, writes or hands back: the blocks of fw_malloc, a
// book's firmware record and name, a GUI object's display object, class descriptor and graphics
// context, the data of an event. The add-on running natively shares the phone's own memory and
// 64-bit pointers; the phone's own ELF under the emulator reaches only guest memory, and its
// pointers are 32-bit guest addresses. Each phone has one SharedMemory for the add-on it runs.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/fw_types.h"

namespace host {

class SharedMemory {
 public:
  virtual ~SharedMemory() = default;

  // A block of `size` bytes (not cleared), or null when there is no room.
  virtual void* allocate(size_t size) = 0;
  // Frees a block from allocate().
  virtual void release(void* p) = 0;
  // Stores pointer `p` (null, or into shared memory) as one of the add-on's pointers at `at`.
  virtual void put_pointer(void* at, const void* p) const = 0;
  // The size of one of the add-on's pointers.
  virtual size_t word() const = 0;

  // A firmware book whose image lies at `image` in firmware memory: on the phone the book is that
  // image itself. Null when books are records of the phone's own (natively).
  virtual BOOK* book_at(FwAddr image) = 0;
  // Fills in a book as fw_create_book does: its first word points to the firmware's `record`.
  virtual void init_book(BOOK* book, const void* record, FwAddr image) const = 0;

  // A zeroed block; throws std::bad_alloc when there is no room.
  void* allocate_zeroed(size_t size);
  // A copy of a zero-terminated narrow string.
  char* copy_string(const char* s);
};

// The add-on's memory is the phone's own: the system's allocator and the phone's pointers.
class NativeSharedMemory : public SharedMemory {
 public:
  void* allocate(size_t size) override;
  void release(void* p) override;
  void put_pointer(void* at, const void* p) const override { std::memcpy(at, &p, sizeof p); }
  size_t word() const override { return sizeof(void*); }
  BOOK* book_at(FwAddr) override { return nullptr; }
  void init_book(BOOK* book, const void* record, FwAddr image) const override;
};

// A block of shared memory, freed with its owner.
class SharedBlock {
 public:
  SharedBlock() = default;
  SharedBlock(SharedMemory& memory, size_t size)
      : memory_(&memory), p_(memory.allocate_zeroed(size)) {}
  SharedBlock(SharedMemory& memory, void* p) : memory_(&memory), p_(p) {}
  SharedBlock(SharedBlock&& o) noexcept : memory_(o.memory_), p_(std::exchange(o.p_, nullptr)) {}
  SharedBlock& operator=(SharedBlock&& o) noexcept {
    std::swap(memory_, o.memory_);
    std::swap(p_, o.p_);
    return *this;
  }
  ~SharedBlock() {
    if (p_) memory_->release(p_);
  }
  template <typename T = std::byte>
  T* as() const {
    return static_cast<T*>(p_);
  }

 private:
  SharedMemory* memory_ = nullptr;
  void* p_ = nullptr;
};

}  // namespace host
