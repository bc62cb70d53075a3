#include "guest/guest_heap.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "guest/hex.h"

namespace host::guest {

// A block: [red zone][size bytes, padded to 8 with the red pattern][red zone].
uint32_t GuestHeap::footprint(uint32_t size) { return kRedZone + ((size + kAlign - 1) & ~(kAlign - 1)) + kRedZone; }

GuestHeap::GuestHeap(std::span<std::byte> memory, uint32_t begin, uint32_t end)
    : memory_(memory), begin_((begin + kAlign - 1) & ~(kAlign - 1)), end_(end & ~(kAlign - 1)) {
  if (begin == 0 || end > memory.size() || begin_ >= end_)
    throw std::invalid_argument("heap " + hex32(begin) + ".." + hex32(end) + " is not a range of the guest memory");
  free_[begin_] = end_ - begin_;
}

uint32_t GuestHeap::allocate(uint32_t size) {
  if (size > end_ - begin_ - 2 * kRedZone) return 0;
  const uint32_t need = footprint(size);
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    auto [start, length] = *it;
    if (length < need) continue;
    free_.erase(it);
    if (length > need) free_[start + need] = length - need;
    const uint32_t address = start + kRedZone;
    std::byte* p = memory_.data() + start;
    std::memset(p, std::to_integer<int>(kRedByte), need);
    std::memset(p + kRedZone, std::to_integer<int>(kFreshByte), size);
    live_[address] = size;
    live_bytes_ += size;
    if (live_bytes_ > peak_bytes_) peak_bytes_ = live_bytes_;
    return address;
  }
  return 0;
}

void GuestHeap::free(uint32_t address) {
  if (address == 0) return;
  auto it = live_.find(address);
  if (it == live_.end()) {
    const std::string at = "free of " + hex32(address);
    if (address < begin_ || address >= end_) throw HeapError(at + ", outside the heap");
    // The last range that starts at or before the address: a free one, or a live block's.
    auto f = free_.upper_bound(address);
    if (f != free_.begin() && address < std::prev(f)->first + std::prev(f)->second)
      throw HeapError(at + ", memory already free (a second free?)");
    auto l = live_.upper_bound(address);
    if (l != live_.begin()) {
      --l;
      if (address < l->first + footprint(l->second) - kRedZone)
        throw HeapError(at + ", inside the block at " + hex32(l->first) + " (" + std::to_string(l->second) +
                        " bytes), not its start");
    }
    throw HeapError(at + ", not a block of the heap");
  }
  const uint32_t size = it->second;
  live_.erase(it);
  live_bytes_ -= size;
  // Checked before the block goes back, reported after: the heap stays whole either way.
  std::string damage;
  try {
    check_block(address, size);
  } catch (const HeapError& e) {
    damage = e.what();
  }
  std::memset(memory_.data() + address, std::to_integer<int>(kFreedByte), size);
  release(address - kRedZone, footprint(size));
  if (!damage.empty()) throw HeapError(damage);
}

void GuestHeap::check() const {
  for (auto [address, size] : live_) check_block(address, size);
}

void GuestHeap::check_block(uint32_t address, uint32_t size) const {
  const std::byte* p = memory_.data() + address;
  const std::string block = "the heap block at " + hex32(address) + " (" + std::to_string(size) + " bytes)";
  for (uint32_t i = kRedZone; i > 0; --i)
    if (p[-int64_t(i)] != kRedByte)
      throw HeapError(block + " was written before its start: byte -" + std::to_string(i) + " (" +
                      hex32(address - i) + ") changed");
  const uint32_t tail = footprint(size) - kRedZone - size;
  for (uint32_t i = 0; i < tail; ++i)
    if (p[size + i] != kRedByte)
      throw HeapError(block + " was written past its end: byte +" + std::to_string(size + i) + " (" +
                      hex32(address + size + i) + ") changed");
}

void GuestHeap::release(uint32_t start, uint32_t length) {
  auto next = free_.lower_bound(start);
  if (next != free_.end() && start + length == next->first) {
    length += next->second;
    next = free_.erase(next);
  }
  if (next != free_.begin()) {
    auto prev = std::prev(next);
    if (prev->first + prev->second == start) {
      prev->second += length;
      return;
    }
  }
  free_[start] = length;
}

}  // namespace host::guest
