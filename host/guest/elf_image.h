// The phone's program file: a 32-bit little-endian ARM ELF with one loadable segment, linked at
// one address and moved by the loader to wherever it places it. ElfImage checks the file the way
// the phone's loader must before it runs a byte of it, and keeps what loading needs: the image
// (the segment's file bytes and its zeroed tail), the entry, the words that hold addresses in the
// image (the R_ARM_ABS32 relocations the link kept with --emit-relocs) and the function symbols,
// to name a guest address in a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace host::guest {

// A file the loader refuses. what() is "FILE: REASON"; reason() is REASON alone.
class ElfError : public std::runtime_error {
 public:
  ElfError(const std::string& file, const std::string& reason)
      : std::runtime_error(file + ": " + reason), reason_(reason) {}
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

class ElfImage {
 public:
  // The largest image the phone loads (text, data and bss).
  static constexpr uint32_t kMaxImageBytes = 16u << 20;

  // Reads and checks FILE; throws ElfError naming the file and what is wrong with it.
  static ElfImage read(const std::filesystem::path& file);
  // Checks the bytes of a file; `name` stands for the file in the messages.
  static ElfImage parse(std::span<const std::byte> file, const std::string& name);

  const std::string& name() const { return name_; }
  // The loaded image, as linked: the segment's bytes from the file, then zeros up to its memory
  // size (bss).
  std::span<const std::byte> bytes() const { return bytes_; }
  uint32_t size() const { return uint32_t(bytes_.size()); }
  // The address the image was linked at (0 for the add-on); every address below is as linked.
  uint32_t link_address() const { return link_address_; }
  // The alignment a placement must keep: the strictest of the loaded sections.
  uint32_t alignment() const { return alignment_; }
  // The entry point; bit 0 set for Thumb code.
  uint32_t entry() const { return entry_; }
  // The addresses of the 32-bit words that hold an address in the image, in ascending order.
  const std::vector<uint32_t>& relocations() const { return relocations_; }

  // A defined symbol's value (bit 0 set for a Thumb function), if the symbol table has it.
  std::optional<uint32_t> symbol(std::string_view name) const;
  // "FUNCTION+0xOFF" for a code address: the function that starts at or nearest below it in the
  // same executable section (demangled; the Thumb bit ignored); "?" outside code.
  std::string describe(uint32_t address) const;

 private:
  struct Function {
    uint32_t start;
    std::string name;
  };
  struct Range {
    uint32_t begin, end;
  };
  struct Symbol {
    std::string name;
    uint32_t value;
  };

  std::string name_;
  std::vector<std::byte> bytes_;
  uint32_t link_address_ = 0;
  uint32_t alignment_ = 4;
  uint32_t entry_ = 0;
  std::vector<uint32_t> relocations_;
  std::vector<Function> functions_;  // by start address
  std::vector<Range> code_;          // the executable sections
  std::vector<Symbol> symbols_;      // the defined, named symbols

  friend class ElfReader;
};

// Copies the image to guest address `base` of `memory` (indexed by guest address) and moves it
// there: each relocated word gets base - link_address() added. Throws std::invalid_argument for a
// base of 0, one that breaks the image's alignment, or an image that does not fit.
void place(const ElfImage& image, uint32_t base, std::span<std::byte> memory);

}  // namespace host::guest
