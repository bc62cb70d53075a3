// The phone running its own ELF: the add-on's image placed in the firmware arena (which is the
// guest's whole address space), executed by the guest CPU, every `svc` answered by the phone's
// service table through an adapter of that service (guest_services.cpp).
//
// Pointers cross as guest addresses: a guest address a is the host pointer arena + a, so the
// phone's services take the add-on's records where they lie. What the phone makes for the add-on
// (book records, display objects, graphics contexts) comes from the guest heap (SharedMemory);
// strings the phone hands out from its own memory are copied into it. A function of the add-on
// handed to the phone becomes a host thunk that calls the guest back (guest_thunks.h); a function
// of the phone handed to the add-on (fw_free's entry, the player-book predicate) becomes a guest
// trampoline, `svc #0x10000+k; bx lr`.
//
// Guest memory: the firmware's records from 16 to 16 MiB (the arena's own), the trampolines
// among them; the heap, which holds every placed image too, from 16 MiB; the stack's 4 MiB at the
// top of the 64 MiB.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "guest/elf_image.h"
#include "guest/guest_cpu.h"
#include "guest/guest_heap.h"
#include "core/addon_runtime.h"

namespace host {
class Arena;
}

namespace host::guest {

class GuestRuntime : public AddonRuntime {
 public:
  static constexpr uint32_t kStackBytes = 4u << 20;
  static constexpr unsigned kTrampolineService = 0x10000;
  static constexpr size_t kMaxTrampolines = 64;

  GuestRuntime(Phone& phone, ElfImage image);
  ~GuestRuntime() override;

  // The runtime of the phone alive now (the thunks reach it through this).
  static GuestRuntime& current();

  SharedMemory& shared() override { return shared_; }
  std::unique_ptr<ModuleFormat> module_format() override;
  std::optional<uint64_t> instructions() const override { return cpu_.instructions(); }
  uint64_t thumb_entries() const override { return thumb_entries_; }

  GuestCpu& cpu() { return cpu_; }
  GuestHeap& heap() { return heap_; }
  const ElfImage& image() const { return image_; }
  // Counts the runtimes made: a thunk pool filled for an earlier phone starts again.
  uint64_t generation() const { return generation_; }

  // Guest address <-> host pointer. A guest address must lie in mapped memory, a host pointer in
  // the arena; both throw std::runtime_error otherwise (a service handed a wild pointer, or the
  // phone about to hand out memory of its own).
  void* host_pointer(uint32_t address, const char* what) const;
  // Throws as host_pointer() does unless all `size` bytes at `address` lie in guest memory.
  void check_range(uint32_t address, uint32_t size, const char* what) const;
  uint32_t guest_address(const void* p, const char* what) const;
  bool in_guest_memory(const void* p) const;
  // A block of the guest heap for the phone's own use; throws std::runtime_error when it is full.
  uint32_t allocate(uint32_t size);
  // A copy in guest memory of a string the phone hands out from its own memory. Copies of tag
  // texts go at the next fw_metadata_close; the rest stay for the run.
  uint32_t escape_wstr(const char16_t* s);

  // A host function standing for guest function `address`; `event` tells what event data a page
  // handler receives (0 for other functions). See guest_thunks.h.
  template <typename F>
  F host_function(uint32_t address, uint32_t event = 0);
  // A guest address standing for host function f: the guest function a thunk stands for, or a
  // trampoline that calls f.
  template <typename F>
  uint32_t guest_function(F f);
  // The host copy of a page of the add-on (guest PAGE_DESC at `address`), its handlers thunks.
  const PAGE_DESC* host_page(uint32_t address);
  // Records a thunk's target, for runs() and guest_function().
  void note_thunk(uintptr_t thunk, uint32_t target) { thunk_targets_[thunk] = target; }
  // The guest function a host function pointer stands for, or 0.
  uint32_t thunk_target(uintptr_t code) const;

  // Calls guest code from the phone; a fault of the guest comes out of the outermost call as an
  // AddonFault naming the function it happened in.
  uint32_t run(uint32_t address, std::span<const uint32_t> args);
  // Event data for a page handler: a copy in guest memory of what the phone passed (freed when
  // the handler returns), laid out as the phone lays out that event's record.
  uint32_t event_data(uint32_t event, void* data, std::vector<uint32_t>& blocks);

  // The image a copy was placed at, for the fault messages.
  void placed(uint32_t base, uint32_t size) { placements_[base] = size; }
  void unplaced(uint32_t base) { placements_.erase(base); }
  // "WHAT at 0xADDRESS (FUNCTION+OFFSET)".
  std::string describe(const GuestFault& fault) const;

  // A service's name by its number ("fw_memcpy"), or "a service" for a number of none.
  static const char* service_name(unsigned number);

 private:
  class Shared : public SharedMemory {
   public:
    explicit Shared(GuestRuntime& rt) : rt_(rt) {}
    void* allocate(size_t size) override;
    void release(void* p) override;
    void put_pointer(void* at, const void* p) const override;
    size_t word() const override { return 4; }
    BOOK* book_at(FwAddr image) override;
    void init_book(BOOK* book, const void* record, FwAddr image) const override;

   private:
    GuestRuntime& rt_;
  };
  struct Escape {
    uint32_t address;
    size_t chars;  // room, terminator excluded
    bool sticky;
  };
  struct HostPage {
    PAGE_DESC desc;
    std::vector<PAGE_MSG> msg;
  };

  void on_service(unsigned number);
  void release_escapes();
  std::string name_code(uint32_t address) const;

  Phone& phone_;
  Arena& arena_;
  ElfImage image_;
  uint64_t generation_;
  GuestHeap heap_;
  GuestCpu cpu_;
  Shared shared_{*this};
  FwAddr trampoline_code_ = 0;
  std::vector<std::function<void(GuestCpu&)>> trampolines_;
  std::vector<uintptr_t> trampoline_hosts_;
  std::unordered_map<uintptr_t, uint32_t> thunk_targets_;
  std::unordered_map<const void*, Escape> escapes_;
  std::map<uint32_t, std::unique_ptr<HostPage>> pages_;
  std::map<uint32_t, uint32_t> placements_;  // image base -> size
  unsigned current_service_ = 0;
  uint64_t thumb_entries_ = 0;
};

}  // namespace host::guest

#include "guest/guest_thunks.h"
