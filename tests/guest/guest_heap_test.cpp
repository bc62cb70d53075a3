#include "guest/guest_heap.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "guest/guest_memory.h"

namespace host::guest {
namespace {

constexpr uint32_t kBegin = 0x1000, kEnd = 0x2000;

class GuestHeapTest : public ::testing::Test {
 public:
  std::byte& at(uint32_t address) { return memory.bytes()[address]; }

  GuestMemory memory{0x4000};
  GuestHeap heap{memory.bytes(), kBegin, kEnd};
};

TEST_F(GuestHeapTest, BlocksAreAlignedApartAndCounted) {
  const uint32_t a = heap.allocate(3), b = heap.allocate(0), c = heap.allocate(100);
  for (uint32_t p : {a, b, c}) {
    EXPECT_NE(p, 0u);
    EXPECT_EQ(p % 8, 0u);
    EXPECT_TRUE(p >= kBegin && p < kEnd);
  }
  EXPECT_LT(a + 3, b);
  EXPECT_LT(b, c);
  EXPECT_EQ(at(a), GuestHeap::kFreshByte) << "a new block is not cleared, as on the phone";
  EXPECT_EQ(heap.live_blocks(), 3u);
  EXPECT_EQ(heap.live_bytes(), 103u);
  heap.free(a);
  heap.free(0);
  EXPECT_EQ(heap.live_blocks(), 2u);
  EXPECT_EQ(heap.live_bytes(), 100u);
  EXPECT_EQ(heap.peak_bytes(), 103u);
  heap.check();
}

TEST_F(GuestHeapTest, FreedNeighboursMergeAndTheFirstFitIsReused) {
  const uint32_t a = heap.allocate(64), b = heap.allocate(64), c = heap.allocate(64);
  heap.free(a);
  heap.free(b);
  // Two blocks' room, red zones included, is one free range at a again.
  EXPECT_EQ(heap.allocate(64 + 64 + 2 * GuestHeap::kRedZone), a);
  heap.free(c);
  EXPECT_EQ(heap.allocate(kEnd - kBegin), 0u) << "more than the heap holds";
  EXPECT_EQ(heap.live_blocks(), 1u);
}

TEST_F(GuestHeapTest, AnExhaustedHeapSaysNoUntilSomethingIsFreed) {
  std::vector<uint32_t> blocks;
  while (uint32_t p = heap.allocate(200)) blocks.push_back(p);
  EXPECT_EQ(blocks.size(), size_t((kEnd - kBegin) / (200 + 2 * GuestHeap::kRedZone)));
  heap.free(blocks[1]);
  EXPECT_EQ(heap.allocate(200), blocks[1]);
}

TEST_F(GuestHeapTest, MisuseIsReportedNotIgnored) {
  struct Row {
    const char* name;
    std::function<uint32_t(GuestHeapTest&, uint32_t block)> misuse;  // gives the address to free
    std::string message;
    size_t live_after;  // of the one block
  };
  const Row rows[] = {
      {"a byte past the end", [](GuestHeapTest& t, uint32_t p) { t.at(p + 10) = std::byte{0}; return p; },
       "was written past its end: byte +10", 0},
      {"the red zone after the padding", [](GuestHeapTest& t, uint32_t p) { t.at(p + 16 + 3) = std::byte{0}; return p; },
       "was written past its end: byte +19", 0},
      {"a byte before the start", [](GuestHeapTest& t, uint32_t p) { t.at(p - 1) = std::byte{0}; return p; },
       "was written before its start: byte -1", 0},
      {"a second free", [](GuestHeapTest& t, uint32_t p) { t.heap.free(p); return p; }, "already free (a second free?)", 0},
      {"inside a block", [](GuestHeapTest&, uint32_t p) { return p + 4; }, "inside the block at", 1},
      {"outside the heap", [](GuestHeapTest&, uint32_t) { return kEnd + 0x100; }, "outside the heap", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GuestHeap fresh(memory.bytes(), kBegin, kEnd);
    std::swap(heap, fresh);
    const uint32_t p = heap.allocate(10);
    const uint32_t address = row.misuse(*this, p);
    if (row.message.find("written") != std::string::npos) {
      EXPECT_THROW(heap.check(), HeapError) << "check() sees it before the free";
    }
    try {
      heap.free(address);
      ADD_FAILURE() << "not reported";
    } catch (const HeapError& e) {
      EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(heap.live_blocks(), row.live_after);
  }
}

}  // namespace
}  // namespace host::guest
