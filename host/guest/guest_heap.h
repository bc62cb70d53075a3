// The firmware's heap when the phone runs the add-on's ELF: blocks of guest memory handed out by
// fw_malloc and taken back by fw_free. First fit over a free list kept in address order, with
// neighbours merged on free. Each block is 8-aligned and sits between two red zones of a known
// pattern; free checks both, so a write past either end of a block is reported with the block and
// the first changed byte, as is a free of anything but a live block. The bookkeeping lives on the
// host, out of the guest's reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>

namespace host::guest {

// A misuse of the heap by the guest: a bad free or a block written outside its bounds.
class HeapError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class GuestHeap {
 public:
  static constexpr uint32_t kAlign = 8;
  static constexpr uint32_t kRedZone = 16;       // bytes before and after each block
  static constexpr std::byte kRedByte{0xFD};     // the red zones' pattern
  static constexpr std::byte kFreshByte{0xBE};   // a new block's bytes: malloc does not clear
  static constexpr std::byte kFreedByte{0xDD};   // a freed block's bytes

  // The heap is [begin, end) of `memory` (indexed by guest address), shrunk to 8-aligned bounds.
  GuestHeap(std::span<std::byte> memory, uint32_t begin, uint32_t end);

  // A block of `size` bytes, or 0 when the heap has no room for it. Size 0 gives a block of its own.
  uint32_t allocate(uint32_t size);
  // Frees a block from allocate(); 0 is ignored. Throws HeapError for an address that is not a
  // live block (nothing is freed), and for a block whose red zones were written (the block is
  // freed all the same).
  void free(uint32_t address);
  // Checks every live block's red zones; throws HeapError for the first one written.
  void check() const;

  bool owns(uint32_t address) const { return live_.count(address) != 0; }
  size_t live_blocks() const { return live_.size(); }
  uint64_t live_bytes() const { return live_bytes_; }
  // The most bytes live at once.
  uint64_t peak_bytes() const { return peak_bytes_; }
  uint32_t begin() const { return begin_; }
  uint32_t end() const { return end_; }

 private:
  static uint32_t footprint(uint32_t size);
  void check_block(uint32_t address, uint32_t size) const;
  void release(uint32_t start, uint32_t length);

  std::span<std::byte> memory_;
  uint32_t begin_, end_;
  std::map<uint32_t, uint32_t> free_;  // start of each free range -> its length
  std::map<uint32_t, uint32_t> live_;  // address of each live block -> its size
  uint64_t live_bytes_ = 0;
  uint64_t peak_bytes_ = 0;
};

}  // namespace host::guest
