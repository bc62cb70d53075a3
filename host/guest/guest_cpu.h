// The phone's processor: an ARM926 (ARMv5TE, ARM and Thumb code) emulated by Unicorn, running
// guest code in a block of host memory that is the guest's whole address space from 0, page 0
// left out so that a null access faults.
//
// The phone calls into guest code with call(): arguments as AAPCS passes them (r0-r3, then the
// stack), the return address at a trap that ends the run, the result from r0. Guest code calls the
// firmware with `svc #N` (the call-by-number stubs are ARM code: `svc #N; bx lr`); the service
// handler runs inside the emulation, reads the arguments with arg() and sets the result with
// set_result(). A handler may call back into guest code (a predicate, a callback), which may call
// the firmware again: each nested call saves the registers of the call it interrupts and puts them
// back when it returns.
//
// Nothing ever unwinds through the emulator: an exception thrown by a handler is caught inside
// the hook, the run is stopped, and the exception is rethrown from call(). A fault of the guest
// (an undefined instruction, an access to unmapped memory, a run past the instruction budget)
// stops the run and comes out of call() as GuestFault. A fault or an exception in a nested call
// ends the calls around it too, out to the outermost call(). After either the CPU takes the next
// call as usual.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

struct uc_struct;
struct uc_context;

namespace host::guest {

// A fault of the guest: what happened, and where (the guest pc; lr for the caller of a jump to
// nowhere). what() is "WHAT at 0xPC".
class GuestFault : public std::runtime_error {
 public:
  GuestFault(const std::string& what, uint32_t pc, uint32_t lr);
  const std::string& what_happened() const { return what_; }
  uint32_t pc() const { return pc_; }
  uint32_t lr() const { return lr_; }

 private:
  std::string what_;
  uint32_t pc_, lr_;
};

class GuestCpu {
 public:
  // Called for each `svc #number` the guest executes.
  using ServiceHandler = std::function<void(unsigned number, GuestCpu& cpu)>;

  // Where call() returns to: a page of the CPU's own, outside the guest memory.
  static constexpr uint32_t kReturnTrap = 0xFFFF0000;
  // Deepest nesting of calls into guest code (Unicorn allows 64 nested runs).
  static constexpr int kMaxDepth = 32;
  // Instructions one outermost call may run, nested calls included, before it counts as a hang.
  static constexpr uint64_t kDefaultBudget = 50'000'000;

  // `memory` is the guest's address space from 0: page-aligned, a whole number of pages, at least
  // two of them; the CPU maps all of it but page 0. The outermost call's stack starts below
  // `stack_top` (8-aligned, inside the memory). Throws std::invalid_argument for a block that
  // breaks these rules, std::runtime_error when Unicorn refuses.
  GuestCpu(std::span<std::byte> memory, uint32_t stack_top);
  ~GuestCpu();
  GuestCpu(const GuestCpu&) = delete;
  GuestCpu& operator=(const GuestCpu&) = delete;

  void set_service_handler(ServiceHandler handler) { handler_ = std::move(handler); }
  void set_budget(uint64_t instructions) { budget_ = instructions; }

  // Runs guest code at `address` (Thumb when bit 0 is set) with `args` until it returns; gives r0.
  // From inside a service handler it runs nested on the guest's stack. Throws GuestFault for a
  // fault, rethrows what a handler threw.
  uint32_t call(uint32_t address, std::span<const uint32_t> args);
  uint32_t call(uint32_t address, std::initializer_list<uint32_t> args = {}) {
    return call(address, std::span<const uint32_t>(args.begin(), args.size()));
  }

  // Inside a service handler: argument i of the call (r0-r3, then the caller's stack) and r0.
  uint32_t arg(unsigned i) const;
  void set_result(uint32_t value) { set_reg(0, value); }

  // r0-r15 (13 sp, 14 lr, 15 pc) and the status register.
  uint32_t reg(unsigned n) const;
  void set_reg(unsigned n, uint32_t value);
  uint32_t cpsr() const;

  // Tells the CPU that the host wrote code into [begin, end) (an image placed where another ran):
  // the emulator keeps its translations of code it has run and does not see the host's writes.
  // Not while guest code in that range is running.
  void code_changed(uint32_t begin, uint32_t end);

  // Guest memory, bounds-checked (std::out_of_range outside the mapped memory).
  uint32_t read32(uint32_t address) const;
  void write32(uint32_t address, uint32_t value);
  std::span<std::byte> memory() const { return memory_; }

  // Instructions the guest has executed since the CPU was made, counted by translated block as
  // each starts (a block left by a fault counts whole): ARM instructions as words, Thumb ones as
  // halfwords (a Thumb BL/BLX is the pair of instructions ARMv5 makes of it).
  uint64_t instructions() const { return instructions_; }
  // 0 outside any call, 1 in the outermost call, and so on.
  int depth() const { return depth_; }

 private:
  friend struct Hooks;  // Unicorn's callbacks (guest_cpu.cpp)

  // A block's instruction count, by block start and size (the mode is read once per block).
  struct BlockCount {
    uint32_t address = 1;  // never a block's start
    uint32_t size = 0;
    uint32_t count = 0;
  };
  // A load or store that found no memory, with the registers as it found them. Unicorn reports
  // the pc of the block's start there; locate() finds the instruction.
  struct BadAccess {
    int type;
    uint32_t address;
    uint32_t regs[16];
    uint32_t cpsr;
    uint32_t block, block_size;
  };

  void on_block(uint32_t address, uint32_t size);
  void on_interrupt(uint32_t number);
  void on_bad_access(int type, uint32_t address);
  void on_invalid_instruction();
  void stop_with(std::exception_ptr e);
  GuestFault access_fault(const BadAccess& bad) const;
  uint32_t locate(const BadAccess& bad) const;

  std::span<std::byte> memory_;
  uint32_t stack_top_;
  uc_struct* uc_ = nullptr;
  ServiceHandler handler_;
  uint64_t budget_ = kDefaultBudget;
  uint64_t budget_end_ = 0;  // instructions() at which the outermost call has used its budget
  uint64_t instructions_ = 0;
  int depth_ = 0;
  std::vector<uc_context*> saved_;  // the registers of each interrupted call, by depth
  std::vector<BlockCount> counts_;  // direct-mapped by block start
  uint32_t block_ = 0, block_size_ = 0;  // the block running
  std::optional<BadAccess> bad_access_;  // the access that stopped the innermost run
  // What stopped the innermost run: a handler's exception or the guest's fault.
  std::exception_ptr pending_;
};

}  // namespace host::guest
