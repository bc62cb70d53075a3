// How the phone runs the add-on: natively (the module built for this computer, its memory the
// phone's own) or as the phone's own ELF on the guest CPU (guest/guest_runtime.h), its memory the
// firmware arena. The phone makes one at start, from its options.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

#include "core/module.h"
#include "core/shared_memory.h"

namespace host {

class Phone;

// A fault of the add-on's code (the phone's own ELF on the guest CPU): "WHAT at 0xADDRESS
// (FUNCTION+OFFSET)". It ends the add-on's run, not the phone's.
class AddonFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The add-on's program file cannot be run: "FILE: REASON", or why this build runs none.
class AddonFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AddonRuntime {
 public:
  virtual ~AddonRuntime() = default;
  // Where the add-on's blocks and the records it shares with the phone live.
  virtual SharedMemory& shared() = 0;
  // What the loader loads a copy of the add-on from.
  virtual std::unique_ptr<ModuleFormat> module_format() = 0;
  // The instructions the add-on has run, where they are counted (the guest CPU).
  virtual std::optional<uint64_t> instructions() const { return std::nullopt; }
  // The phone's calls into the add-on that entered Thumb code (the guest CPU): a firmware that
  // calls with `mov pc`, staying in ARM state, would have crashed on each.
  virtual uint64_t thumb_entries() const { return 0; }
};

// For the phone's own ELF the firmware arena is the guest's whole address space, the firmware's
// records at its bottom; above them the guest CPU's room places images, the heap and the stack.
constexpr uint32_t kGuestSpace = 64u << 20;
constexpr uint32_t kGuestRecordsEnd = 16u << 20;

// The native module, at the options' module path or installed beside the program.
std::unique_ptr<AddonRuntime> make_native_runtime(Phone& phone);
// The phone's own ELF at the options' ELF path, on the guest CPU. Throws std::runtime_error when
// the file is refused or this build has no guest CPU.
std::unique_ptr<AddonRuntime> make_guest_runtime(Phone& phone);

}  // namespace host
