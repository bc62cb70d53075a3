#include "guest/guest_cpu.h"

#include <unicorn/unicorn.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "guest/hex.h"

namespace host::guest {

namespace {

constexpr uint32_t kPage = 4096;
constexpr uint32_t kThumbBit = 1u << 5;  // CPSR.T
constexpr size_t kCountSlots = 4096;     // the blocks whose counts are kept

constexpr int kRegs[16] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2,  UC_ARM_REG_R3,
                           UC_ARM_REG_R4, UC_ARM_REG_R5, UC_ARM_REG_R6,  UC_ARM_REG_R7,
                           UC_ARM_REG_R8, UC_ARM_REG_R9, UC_ARM_REG_R10, UC_ARM_REG_R11,
                           UC_ARM_REG_R12, UC_ARM_REG_SP, UC_ARM_REG_LR, UC_ARM_REG_PC};

// The exceptions Unicorn's interrupt hook reports for ARM (QEMU's EXCP_* numbers).
constexpr uint32_t kUndefinedInstruction = 1;
constexpr uint32_t kSoftwareInterrupt = 2;
constexpr uint32_t kPrefetchAbort = 3;
constexpr uint32_t kDataAbort = 4;
constexpr uint32_t kBreakpoint = 7;

void check(uc_err e, const char* what) {
  if (e != UC_ERR_OK) throw std::runtime_error(std::string("the guest CPU: ") + what + ": " + uc_strerror(e));
}

}  // namespace

GuestFault::GuestFault(const std::string& what, uint32_t pc, uint32_t lr)
    : std::runtime_error(what + " at " + hex32(pc)), what_(what), pc_(pc), lr_(lr) {}

// Unicorn's callbacks, with the exact signatures it calls. None lets an exception escape.
struct Hooks {
  static void block(uc_engine*, uint64_t address, uint32_t size, void* self) {
    static_cast<GuestCpu*>(self)->on_block(uint32_t(address), size);
  }
  static void interrupt(uc_engine*, uint32_t number, void* self) {
    static_cast<GuestCpu*>(self)->on_interrupt(number);
  }
  static bool bad_access(uc_engine*, uc_mem_type type, uint64_t address, int, int64_t, void* self) {
    static_cast<GuestCpu*>(self)->on_bad_access(type, uint32_t(address));
    return false;  // not mended: the run stops
  }
  static bool invalid_instruction(uc_engine*, void* self) {
    static_cast<GuestCpu*>(self)->on_invalid_instruction();
    return false;
  }
};

GuestCpu::GuestCpu(std::span<std::byte> memory, uint32_t stack_top)
    : memory_(memory), stack_top_(stack_top), counts_(kCountSlots) {
  if (reinterpret_cast<uintptr_t>(memory.data()) % kPage != 0 || memory.size() % kPage != 0 || memory.size() < 2 * kPage)
    throw std::invalid_argument("guest memory must be page-aligned whole pages, at least two");
  if (memory.size() > kReturnTrap) throw std::invalid_argument("guest memory reaches the CPU's return trap at " + hex32(kReturnTrap));
  if (stack_top % 8 != 0 || stack_top <= kPage || stack_top > memory.size())
    throw std::invalid_argument("stack top " + hex32(stack_top) + " is not an 8-aligned address of the guest memory");
  check(uc_open(UC_ARCH_ARM, UC_MODE_ARM, &uc_), "uc_open");
  try {
    check(uc_ctl_set_cpu_model(uc_, UC_CPU_ARM_926), "the ARM926 model");
    check(uc_mem_map_ptr(uc_, kPage, memory.size() - kPage, UC_PROT_ALL, memory.data() + kPage), "mapping the guest memory");
    // The return trap: never executed (the run ends when it is reached); an undefined
    // instruction in case it ever were.
    check(uc_mem_map(uc_, kReturnTrap, kPage, UC_PROT_READ | UC_PROT_EXEC), "mapping the return trap");
    const uint32_t udf = 0xE7F000F0;
    check(uc_mem_write(uc_, kReturnTrap, &udf, sizeof udf), "writing the return trap");
    uc_hook h;
    // Counting by block costs a third of counting by instruction (a code hook) in Unicorn 2.0.1.
    check(uc_hook_add(uc_, &h, UC_HOOK_BLOCK, reinterpret_cast<void*>(&Hooks::block), this, 1, 0), "the block hook");
    check(uc_hook_add(uc_, &h, UC_HOOK_INTR, reinterpret_cast<void*>(&Hooks::interrupt), this, 1, 0), "the interrupt hook");
    check(uc_hook_add(uc_, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&Hooks::bad_access), this, 1, 0),
          "the memory fault hook");
    check(uc_hook_add(uc_, &h, UC_HOOK_INSN_INVALID, reinterpret_cast<void*>(&Hooks::invalid_instruction), this, 1, 0),
          "the undefined instruction hook");
  } catch (...) {
    uc_close(uc_);
    throw;
  }
}

GuestCpu::~GuestCpu() {
  for (uc_context* c : saved_) uc_context_free(c);
  uc_close(uc_);
}

uint32_t GuestCpu::call(uint32_t address, std::span<const uint32_t> args) {
  if (depth_ >= kMaxDepth) throw std::runtime_error("guest calls nested deeper than " + std::to_string(kMaxDepth));
  const bool nested = depth_ > 0;
  uint32_t sp = stack_top_;
  if (nested) {
    // The interrupted call's registers, to be put back once this one returns; its stack stays
    // below its sp.
    if (saved_.size() < size_t(depth_)) {
      saved_.push_back(nullptr);
      check(uc_context_alloc(uc_, &saved_.back()), "uc_context_alloc");
    }
    check(uc_context_save(uc_, saved_[depth_ - 1]), "uc_context_save");
    sp = reg(13) & ~7u;
  }
  const uint32_t on_stack = args.size() > 4 ? uint32_t(args.size() - 4) : 0;
  sp -= (on_stack * 4 + 7) & ~7u;
  for (uint32_t i = 0; i < on_stack; ++i) write32(sp + 4 * i, args[4 + i]);
  for (unsigned r = 0; r < 4; ++r) set_reg(r, r < args.size() ? args[r] : 0);
  set_reg(13, sp);
  set_reg(14, kReturnTrap);
  if (!nested) budget_end_ = instructions_ + budget_;

  ++depth_;
  const uc_err err = uc_emu_start(uc_, address, kReturnTrap, 0, 0);
  --depth_;

  const uint32_t result = reg(0);
  std::exception_ptr e = std::exchange(pending_, nullptr);
  if (bad_access_) {
    if (!e) e = std::make_exception_ptr(access_fault(*bad_access_));
    bad_access_.reset();
  }
  if (!e && err != UC_ERR_OK)
    e = std::make_exception_ptr(GuestFault(std::string("emulation failed: ") + uc_strerror(err), reg(15), reg(14)));
  if (!e && reg(15) != kReturnTrap)
    e = std::make_exception_ptr(GuestFault("the run stopped before the call returned", reg(15), reg(14)));
  if (nested) check(uc_context_restore(uc_, saved_[depth_ - 1]), "uc_context_restore");
  if (e) std::rethrow_exception(e);
  return result;
}

uint32_t GuestCpu::arg(unsigned i) const { return i < 4 ? reg(i) : read32(reg(13) + 4 * (i - 4)); }

uint32_t GuestCpu::reg(unsigned n) const {
  if (n >= 16) throw std::out_of_range("no register r" + std::to_string(n));
  uint32_t v = 0;
  uc_reg_read(uc_, kRegs[n], &v);
  return v;
}

void GuestCpu::set_reg(unsigned n, uint32_t value) {
  if (n >= 16) throw std::out_of_range("no register r" + std::to_string(n));
  uc_reg_write(uc_, kRegs[n], &value);
}

uint32_t GuestCpu::cpsr() const {
  uint32_t v = 0;
  uc_reg_read(uc_, UC_ARM_REG_CPSR, &v);
  return v;
}

uint32_t GuestCpu::read32(uint32_t address) const {
  if (address < kPage || uint64_t(address) + 4 > memory_.size())
    throw std::out_of_range("guest address " + hex32(address) + " is outside the guest memory");
  uint32_t v;
  std::memcpy(&v, memory_.data() + address, 4);
  return v;
}

void GuestCpu::write32(uint32_t address, uint32_t value) {
  if (address < kPage || uint64_t(address) + 4 > memory_.size())
    throw std::out_of_range("guest address " + hex32(address) + " is outside the guest memory");
  std::memcpy(memory_.data() + address, &value, 4);
}

void GuestCpu::stop_with(std::exception_ptr e) {
  if (!pending_) pending_ = std::move(e);  // the first cause; what follows is its consequence
  uc_emu_stop(uc_);
}

void GuestCpu::on_block(uint32_t address, uint32_t size) {
  block_ = address;
  block_size_ = size;
  // Reading the status register for each block would cost more than the rest of the counting.
  BlockCount& slot = counts_[(address >> 1) & (kCountSlots - 1)];
  if (slot.address != address || slot.size != size) slot = {address, size, (cpsr() & kThumbBit) ? size / 2 : size / 4};
  instructions_ += slot.count;
  if (instructions_ <= budget_end_ || pending_) return;
  try {
    throw GuestFault("ran past its budget of " + std::to_string(budget_) + " instructions (a hang?)", address, reg(14));
  } catch (...) {
    stop_with(std::current_exception());
  }
}

void GuestCpu::on_interrupt(uint32_t number) {
  try {
    const bool thumb = cpsr() & kThumbBit;
    const uint32_t pc = reg(15);
    if (number == kSoftwareInterrupt) {
      // The number is in the instruction just executed: `svc #imm24` in ARM code, `svc #imm8` in
      // Thumb code.
      unsigned service;
      if (thumb) {
        const uint32_t at = pc - 2;
        const uint32_t word = read32(at & ~3u);
        const uint16_t insn = uint16_t((at & 2) ? word >> 16 : word);
        if ((insn & 0xFF00) != 0xDF00) throw GuestFault("software interrupt without an svc instruction", at, reg(14));
        service = insn & 0xFF;
      } else {
        const uint32_t insn = read32(pc - 4);
        if ((insn & 0x0F000000) != 0x0F000000) throw GuestFault("software interrupt without an svc instruction", pc - 4, reg(14));
        service = insn & 0xFFFFFF;
      }
      if (!handler_) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "svc #0x%x with no service handler", service);
        throw GuestFault(buf, pc - (thumb ? 2 : 4), reg(14));
      }
      handler_(service, *this);
      return;
    }
    std::string what;
    switch (number) {
      case kUndefinedInstruction: on_invalid_instruction(); return;
      case kBreakpoint: what = "breakpoint"; break;
      case kPrefetchAbort: what = "prefetch abort"; break;
      case kDataAbort: what = "data abort"; break;
      default: what = "processor exception " + std::to_string(number); break;
    }
    throw GuestFault(what, pc, reg(14));
  } catch (...) {
    stop_with(std::current_exception());
  }
}

void GuestCpu::on_invalid_instruction() try {
  const uint32_t pc = reg(15);
  const uint32_t word = read32(pc & ~3u);
  char what[48];
  if (cpsr() & kThumbBit)
    std::snprintf(what, sizeof what, "undefined instruction 0x%04x", (pc & 2) ? word >> 16 : word & 0xFFFF);
  else
    std::snprintf(what, sizeof what, "undefined instruction 0x%08x", word);
  throw GuestFault(what, pc, reg(14));
} catch (...) {
  stop_with(std::current_exception());
}

void GuestCpu::code_changed(uint32_t begin, uint32_t end) {
  check(uc_ctl_remove_cache(uc_, uint64_t(begin), uint64_t(end)), "dropping translated code");
  for (BlockCount& slot : counts_)
    if (slot.address < end && slot.address + slot.size > begin) slot = BlockCount{};
}

void GuestCpu::on_bad_access(int type, uint32_t address) {
  if (pending_ || bad_access_) return;
  BadAccess bad{type, address, {}, cpsr(), block_, block_size_};
  for (unsigned r = 0; r < 16; ++r) bad.regs[r] = reg(r);
  bad_access_ = bad;
  uc_emu_stop(uc_);
}

GuestFault GuestCpu::access_fault(const BadAccess& bad) const {
  std::string what;
  uint32_t pc = 0;
  switch (bad.type) {
    case UC_MEM_READ_UNMAPPED: what = "read of unmapped address "; break;
    case UC_MEM_WRITE_UNMAPPED: what = "write to unmapped address "; break;
    case UC_MEM_WRITE_PROT: what = "write to read-only address "; break;
    case UC_MEM_READ_PROT: what = "read of unreadable address "; break;
    case UC_MEM_FETCH_UNMAPPED: what = "jump to unmapped address "; pc = bad.address; break;
    case UC_MEM_FETCH_PROT: what = "jump to non-executable address "; pc = bad.address; break;
    default: what = "bad access to address "; break;
  }
  if (bad.type != UC_MEM_FETCH_UNMAPPED && bad.type != UC_MEM_FETCH_PROT) pc = locate(bad);
  return GuestFault(what + hex32(bad.address), pc, bad.regs[14]);
}

// The instruction of the faulting block that makes the same access with the registers the fault
// left: each is run alone, first to last, on a second CPU that sees the guest memory read-only
// (nothing it does reaches the phone). Exact unless an earlier instruction of the block, run with
// those registers, would make the same access; the block's start when none does.
uint32_t GuestCpu::locate(const BadAccess& bad) const {
  const bool thumb = bad.cpsr & kThumbBit;
  struct Probe {
    uc_engine* uc = nullptr;
    int type = -1;
    uint32_t address = 0;
    ~Probe() {
      if (uc) uc_close(uc);
    }
    static bool access(uc_engine*, uc_mem_type t, uint64_t a, int, int64_t, void* self) {
      auto* p = static_cast<Probe*>(self);
      if (p->type < 0) {
        p->type = t;
        p->address = uint32_t(a);
      }
      return false;
    }
    static void interrupt(uc_engine* uc, uint32_t, void*) { uc_emu_stop(uc); }
  } probe;
  uc_hook h;
  if (uc_open(UC_ARCH_ARM, UC_MODE_ARM, &probe.uc) != UC_ERR_OK || uc_ctl_set_cpu_model(probe.uc, UC_CPU_ARM_926) != UC_ERR_OK ||
      uc_mem_map_ptr(probe.uc, kPage, memory_.size() - kPage, UC_PROT_READ | UC_PROT_EXEC, memory_.data() + kPage) != UC_ERR_OK ||
      uc_hook_add(probe.uc, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&Probe::access), &probe, 1, 0) != UC_ERR_OK ||
      uc_hook_add(probe.uc, &h, UC_HOOK_INTR, reinterpret_cast<void*>(&Probe::interrupt), &probe, 1, 0) != UC_ERR_OK)
    return bad.block;
  const uint32_t step = thumb ? 2 : 4;
  for (uint32_t at = bad.block; at < bad.block + bad.block_size; at += step) {
    uc_reg_write(probe.uc, UC_ARM_REG_CPSR, &bad.cpsr);  // first: the mode picks the banked sp and lr
    for (unsigned r = 0; r < 15; ++r) uc_reg_write(probe.uc, kRegs[r], &bad.regs[r]);
    probe.type = -1;
    uc_emu_start(probe.uc, at | (thumb ? 1 : 0), 0, 0, 1);
    if (probe.type == bad.type && probe.address == bad.address) return at;
  }
  return bad.block;
}

}  // namespace host::guest
