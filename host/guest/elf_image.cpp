#include "guest/elf_image.h"

#include <cxxabi.h>
#include <elf.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "guest/hex.h"

namespace host::guest {

namespace {

// The largest file read: the image's limit, with room for symbols and debug information.
constexpr uint64_t kMaxFileBytes = 4 * uint64_t(ElfImage::kMaxImageBytes);

std::string machine_name(unsigned machine) {
  switch (machine) {
    case EM_386: return "x86";
    case EM_X86_64: return "x86-64";
    case EM_ARM: return "ARM";
    case EM_AARCH64: return "AArch64";
    case EM_MIPS: return "MIPS";
    case EM_PPC:
    case EM_PPC64: return "PowerPC";
    case EM_RISCV: return "RISC-V";
    case EM_SPARC:
    case EM_SPARCV9: return "SPARC";
    case EM_S390: return "s390";
    case EM_68K: return "m68k";
    case EM_SH: return "SuperH";
    default: return "machine " + std::to_string(machine);
  }
}

std::string relocation_name(unsigned type) {
  switch (type) {
#define TS_REL(name) \
  case name: return #name;
    TS_REL(R_ARM_NONE) TS_REL(R_ARM_PC24) TS_REL(R_ARM_ABS32) TS_REL(R_ARM_REL32)
    TS_REL(R_ARM_PC13) TS_REL(R_ARM_ABS16) TS_REL(R_ARM_ABS12) TS_REL(R_ARM_THM_ABS5)
    TS_REL(R_ARM_ABS8) TS_REL(R_ARM_SBREL32) TS_REL(R_ARM_THM_PC22) TS_REL(R_ARM_THM_PC8)
    TS_REL(R_ARM_SWI24) TS_REL(R_ARM_THM_SWI8) TS_REL(R_ARM_TLS_DTPMOD32)
    TS_REL(R_ARM_TLS_DTPOFF32) TS_REL(R_ARM_TLS_TPOFF32) TS_REL(R_ARM_COPY)
    TS_REL(R_ARM_GLOB_DAT) TS_REL(R_ARM_JUMP_SLOT) TS_REL(R_ARM_RELATIVE) TS_REL(R_ARM_GOTOFF)
    TS_REL(R_ARM_GOTPC) TS_REL(R_ARM_GOT32) TS_REL(R_ARM_PLT32) TS_REL(R_ARM_CALL)
    TS_REL(R_ARM_JUMP24) TS_REL(R_ARM_THM_JUMP24) TS_REL(R_ARM_BASE_ABS) TS_REL(R_ARM_TARGET1)
    TS_REL(R_ARM_SBREL31) TS_REL(R_ARM_V4BX) TS_REL(R_ARM_TARGET2) TS_REL(R_ARM_PREL31)
    TS_REL(R_ARM_MOVW_ABS_NC) TS_REL(R_ARM_MOVT_ABS) TS_REL(R_ARM_MOVW_PREL_NC)
    TS_REL(R_ARM_MOVT_PREL) TS_REL(R_ARM_THM_MOVW_ABS_NC) TS_REL(R_ARM_THM_MOVT_ABS)
    TS_REL(R_ARM_THM_MOVW_PREL_NC) TS_REL(R_ARM_THM_MOVT_PREL) TS_REL(R_ARM_THM_JUMP19)
    TS_REL(R_ARM_THM_JUMP6) TS_REL(R_ARM_THM_ALU_PREL_11_0) TS_REL(R_ARM_THM_PC12)
    TS_REL(R_ARM_ABS32_NOI) TS_REL(R_ARM_REL32_NOI) TS_REL(R_ARM_GOT_PREL)
    TS_REL(R_ARM_THM_PC11) TS_REL(R_ARM_THM_PC9) TS_REL(R_ARM_TLS_GD32) TS_REL(R_ARM_TLS_LDM32)
    TS_REL(R_ARM_TLS_LDO32) TS_REL(R_ARM_TLS_IE32) TS_REL(R_ARM_TLS_LE32)
    TS_REL(R_ARM_IRELATIVE)
#undef TS_REL
    default: return "relocation type " + std::to_string(type);
  }
}

// Relocations whose value is the distance from the place to the symbol: moving the whole image
// keeps it, so for a symbol inside the image there is nothing to apply.
bool pc_relative(unsigned type) {
  switch (type) {
    case R_ARM_PC24: case R_ARM_REL32: case R_ARM_PC13: case R_ARM_THM_PC22: case R_ARM_THM_PC8:
    case R_ARM_PLT32: case R_ARM_CALL: case R_ARM_JUMP24: case R_ARM_THM_JUMP24:
    case R_ARM_PREL31: case R_ARM_MOVW_PREL_NC: case R_ARM_MOVT_PREL:
    case R_ARM_THM_MOVW_PREL_NC: case R_ARM_THM_MOVT_PREL: case R_ARM_THM_JUMP19:
    case R_ARM_THM_JUMP6: case R_ARM_THM_ALU_PREL_11_0: case R_ARM_THM_PC12:
    case R_ARM_REL32_NOI: case R_ARM_THM_PC11: case R_ARM_THM_PC9:
      return true;
    default:
      return (type >= R_ARM_ALU_PC_G0_NC && type <= R_ARM_LDC_PC_G2);
  }
}

std::string demangle(const std::string& name) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> plain(
      abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
  return status == 0 && plain ? std::string(plain.get()) : name;
}

}  // namespace

// The checks, in the order a loader meets them; the first fault ends the reading.
class ElfReader {
 public:
  ElfReader(std::span<const std::byte> file, const std::string& name) : file_(file), name_(name) {}

  ElfImage run() {
    check_identity();
    auto eh = read<Elf32_Ehdr>(0, "the ELF header");
    check_type(eh);
    const Elf32_Phdr seg = loadable_segment(eh);
    image_.name_ = name_;
    image_.link_address_ = seg.p_vaddr;
    read_sections(eh, seg);
    read_symbols();
    check_entry(eh);
    read_relocations();
    image_.bytes_.assign(seg.p_memsz, std::byte{0});
    std::memcpy(image_.bytes_.data(), file_.data() + seg.p_offset, seg.p_filesz);
    return std::move(image_);
  }

 private:
  struct Section {
    Elf32_Shdr h;
    std::string name;
    bool loaded;  // allocated: part of the image
  };
  struct SymbolRef {
    uint16_t shndx;
    std::string name;
  };

  [[noreturn]] void fail(const std::string& reason) const { throw ElfError(name_, reason); }

  void need(uint64_t offset, uint64_t size, const std::string& what) const {
    if (offset + size > file_.size())
      fail("cut short: " + what + " ends at byte " + std::to_string(offset + size) + ", the file has " +
           std::to_string(file_.size()));
  }

  template <class T>
  T read(uint64_t offset, const std::string& what) const {
    need(offset, sizeof(T), what);
    T v;
    std::memcpy(&v, file_.data() + offset, sizeof v);
    return v;
  }

  uint8_t byte(size_t i) const { return std::to_integer<uint8_t>(file_[i]); }

  void check_identity() const {
    static constexpr char kMagic[4] = {ELFMAG0, ELFMAG1, ELFMAG2, ELFMAG3};
    if (file_.empty()) fail("an empty file, not an ELF program");
    if (std::memcmp(file_.data(), kMagic, std::min<size_t>(4, file_.size())) != 0) fail("not an ELF file");
    need(0, EI_NIDENT + 4, "the ELF header");
    const bool little = byte(EI_DATA) == ELFDATA2LSB;
    const unsigned machine = little ? byte(18) | byte(19) << 8 : byte(18) << 8 | byte(19);
    if (byte(EI_CLASS) == ELFCLASS64)
      fail("a 64-bit " + machine_name(machine) + " program, not a 32-bit ARM one");
    if (byte(EI_CLASS) != ELFCLASS32) fail("ELF class " + std::to_string(byte(EI_CLASS)) + " is neither 32 nor 64-bit");
    if (machine != EM_ARM) fail("a 32-bit " + machine_name(machine) + " program, not an ARM one");
    if (!little) fail("a big-endian ARM program; the phone runs little-endian code");
  }

  void check_type(const Elf32_Ehdr& eh) const {
    switch (eh.e_type) {
      case ET_EXEC: return;
      case ET_REL: fail("an object file, not a linked program");
      case ET_DYN: fail("a shared object or position-independent program, not one linked at an address");
      case ET_CORE: fail("a core dump, not a program");
      default: fail("ELF file type " + std::to_string(eh.e_type) + ", not a program");
    }
  }

  Elf32_Phdr loadable_segment(const Elf32_Ehdr& eh) const {
    if (eh.e_phnum == 0) fail("no program headers: nothing to load");
    if (eh.e_phentsize != sizeof(Elf32_Phdr))
      fail("program header entries of " + std::to_string(eh.e_phentsize) + " bytes, not 32");
    need(eh.e_phoff, uint64_t(eh.e_phnum) * sizeof(Elf32_Phdr), "the program header table");
    int loads = 0;
    Elf32_Phdr seg{};
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
      auto ph = read<Elf32_Phdr>(eh.e_phoff + uint64_t(i) * sizeof(Elf32_Phdr), "the program header table");
      if (ph.p_type == PT_LOAD) {
        ++loads;
        seg = ph;
      }
    }
    if (loads != 1)
      fail(loads == 0 ? "no loadable segment" : std::to_string(loads) + " loadable segments; the phone loads a program with exactly one");
    if (seg.p_memsz == 0) fail("the loadable segment is empty");
    if (seg.p_filesz > seg.p_memsz)
      fail("the loadable segment holds " + std::to_string(seg.p_filesz) + " bytes of the file but only " +
           std::to_string(seg.p_memsz) + " in memory");
    if (seg.p_memsz > ElfImage::kMaxImageBytes)
      fail("an image of " + std::to_string(seg.p_memsz) + " bytes, more than the " +
           std::to_string(ElfImage::kMaxImageBytes >> 20) + " MiB the phone loads");
    if (uint64_t(seg.p_vaddr) + seg.p_memsz > 0x100000000ull) fail("the loadable segment wraps past 4 GiB");
    need(seg.p_offset, seg.p_filesz, "the loadable segment");
    return seg;
  }

  void read_sections(const Elf32_Ehdr& eh, const Elf32_Phdr& seg) {
    if (eh.e_shoff == 0 || eh.e_shnum == 0) fail("no section table: no symbols and no relocations (stripped?)");
    if (eh.e_shentsize != sizeof(Elf32_Shdr))
      fail("section header entries of " + std::to_string(eh.e_shentsize) + " bytes, not 40");
    need(eh.e_shoff, uint64_t(eh.e_shnum) * sizeof(Elf32_Shdr), "the section table");
    sections_.resize(eh.e_shnum);
    for (unsigned i = 0; i < eh.e_shnum; ++i)
      sections_[i].h = read<Elf32_Shdr>(eh.e_shoff + uint64_t(i) * sizeof(Elf32_Shdr), "the section table");
    // Names, where the table of section names is sound; "#N" otherwise.
    const Elf32_Shdr* names = eh.e_shstrndx < sections_.size() ? &sections_[eh.e_shstrndx].h : nullptr;
    for (unsigned i = 0; i < sections_.size(); ++i) {
      Section& s = sections_[i];
      s.name = "#" + std::to_string(i);
      if (names && names->sh_type == SHT_STRTAB && s.h.sh_name < names->sh_size &&
          uint64_t(names->sh_offset) + names->sh_size <= file_.size()) {
        const char* p = reinterpret_cast<const char*>(file_.data()) + names->sh_offset;
        const size_t len = strnlen(p + s.h.sh_name, names->sh_size - s.h.sh_name);
        if (s.h.sh_name + len < names->sh_size) s.name.assign(p + s.h.sh_name, len);
      }
      if (s.h.sh_type != SHT_NOBITS && s.h.sh_type != SHT_NULL)
        need(s.h.sh_offset, s.h.sh_size, "section " + s.name);
      s.loaded = (s.h.sh_flags & SHF_ALLOC) && s.h.sh_size > 0;
      if (!s.loaded) continue;
      if (s.h.sh_addr < seg.p_vaddr || uint64_t(s.h.sh_addr) + s.h.sh_size > uint64_t(seg.p_vaddr) + seg.p_memsz)
        fail("section " + s.name + " at " + hex32(s.h.sh_addr) + " lies outside the loadable segment");
      image_.alignment_ = std::max(image_.alignment_, s.h.sh_addralign);
      if (s.h.sh_flags & SHF_EXECINSTR) image_.code_.push_back({s.h.sh_addr, s.h.sh_addr + s.h.sh_size});
    }
    segment_file_end_ = uint64_t(seg.p_vaddr) + seg.p_filesz;
  }

  void read_symbols() {
    const Section* symtab = nullptr;
    for (unsigned i = 0; i < sections_.size(); ++i)
      if (sections_[i].h.sh_type == SHT_SYMTAB) {
        symtab = &sections_[i];
        symtab_index_ = i;
      }
    if (!symtab) fail("no symbol table (stripped?)");
    if (symtab->h.sh_entsize != sizeof(Elf32_Sym)) fail("symbol table entries of " + std::to_string(symtab->h.sh_entsize) + " bytes, not 16");
    if (symtab->h.sh_link >= sections_.size() || sections_[symtab->h.sh_link].h.sh_type != SHT_STRTAB)
      fail("the symbol table has no string table");
    const Elf32_Shdr& strs = sections_[symtab->h.sh_link].h;
    const char* text = reinterpret_cast<const char*>(file_.data()) + strs.sh_offset;
    const uint32_t count = symtab->h.sh_size / sizeof(Elf32_Sym);
    std::vector<std::pair<ElfImage::Function, bool>> functions;  // with "is global"
    for (uint32_t k = 0; k < count; ++k) {
      auto sym = read<Elf32_Sym>(uint64_t(symtab->h.sh_offset) + uint64_t(k) * sizeof(Elf32_Sym), "the symbol table");
      std::string name;
      if (sym.st_name < strs.sh_size) {
        const size_t len = strnlen(text + sym.st_name, strs.sh_size - sym.st_name);
        if (sym.st_name + len == strs.sh_size) fail("symbol " + std::to_string(k) + "'s name runs past its string table");
        name.assign(text + sym.st_name, len);
      } else if (sym.st_name != 0) {
        fail("symbol " + std::to_string(k) + "'s name lies past its string table");
      }
      symbol_refs_.push_back({sym.st_shndx, name});
      const unsigned type = ELF32_ST_TYPE(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || name.empty() || type == STT_SECTION || type == STT_FILE) continue;
      image_.symbols_.push_back({name, sym.st_value});
      if (type == STT_FUNC && in_loaded_section(sym.st_shndx))
        functions.push_back({{sym.st_value & ~1u, demangle(name)}, ELF32_ST_BIND(sym.st_info) == STB_GLOBAL});
    }
    // By address; of two names for one address, the global one.
    std::stable_sort(functions.begin(), functions.end(), [](const auto& a, const auto& b) {
      return a.first.start != b.first.start ? a.first.start < b.first.start : a.second > b.second;
    });
    for (auto& [f, global] : functions)
      if (image_.functions_.empty() || image_.functions_.back().start != f.start) image_.functions_.push_back(std::move(f));

    require_symbol("main", "the entry the loader calls", true);
    require_symbol("fw_module_info", "the module info the loader resolves", false);
  }

  void require_symbol(const std::string& name, const std::string& role, bool function) const {
    for (uint32_t k = 0; k < symbol_refs_.size(); ++k) {
      if (symbol_refs_[k].name != name) continue;
      if (symbol_refs_[k].shndx == SHN_UNDEF) continue;
      if (!in_loaded_section(symbol_refs_[k].shndx)) fail("symbol '" + name + "' (" + role + ") is not in the image");
      if (function && !(sections_[symbol_refs_[k].shndx].h.sh_flags & SHF_EXECINSTR))
        fail("symbol '" + name + "' (" + role + ") is not code");
      return;
    }
    fail("no symbol '" + name + "' (" + role + ")");
  }

  bool in_loaded_section(uint16_t shndx) const { return shndx < sections_.size() && shndx != SHN_UNDEF && sections_[shndx].loaded; }

  void check_entry(const Elf32_Ehdr& eh) {
    const uint32_t at = eh.e_entry & ~1u;
    for (const auto& r : image_.code_)
      if (at >= r.begin && at < r.end) {
        image_.entry_ = eh.e_entry;
        return;
      }
    fail("the entry point " + hex32(eh.e_entry) + " is not in the image's code");
  }

  void read_relocations() {
    bool movable = false;
    for (const Section& s : sections_) {
      if (s.h.sh_type != SHT_REL && s.h.sh_type != SHT_RELA) continue;
      // Relocations of what is not loaded (debug information) are no concern of the loader.
      if (s.h.sh_info >= sections_.size() || !sections_[s.h.sh_info].loaded) continue;
      const Section& target = sections_[s.h.sh_info];
      if (s.h.sh_type == SHT_RELA) fail("SHT_RELA relocations in " + s.name + "; the phone's loader applies SHT_REL only");
      if (s.h.sh_entsize != sizeof(Elf32_Rel)) fail("relocation entries of " + std::to_string(s.h.sh_entsize) + " bytes in " + s.name);
      if (s.h.sh_link != symtab_index_) fail(s.name + " does not refer to the symbol table");
      movable = true;
      const uint32_t count = s.h.sh_size / sizeof(Elf32_Rel);
      for (uint32_t k = 0; k < count; ++k) {
        auto rel = read<Elf32_Rel>(uint64_t(s.h.sh_offset) + uint64_t(k) * sizeof(Elf32_Rel), "section " + s.name);
        apply(rel, s, target);
      }
    }
    if (!movable) fail("no relocations: the image cannot be moved from its link address (link with --emit-relocs)");
    auto& r = image_.relocations_;
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
  }

  // Keeps an R_ARM_ABS32 word for placement; checks that nothing else needs applying.
  void apply(const Elf32_Rel& rel, const Section& relsec, const Section& target) {
    const unsigned type = ELF32_R_TYPE(rel.r_info);
    const uint32_t sym = ELF32_R_SYM(rel.r_info);
    if (type == R_ARM_NONE || type == R_ARM_V4BX) return;  // markers, nothing to apply
    const std::string where = relocation_name(type) + " at " + hex32(rel.r_offset) + " (" + target.name + ")";
    if (sym >= symbol_refs_.size()) fail(where + " names symbol " + std::to_string(sym) + ", past the symbol table");
    const SymbolRef& ref = symbol_refs_[sym];
    const std::string against = ref.name.empty() ? sym == 0 ? std::string("no symbol") : "a symbol of section #" + std::to_string(ref.shndx) : "'" + ref.name + "'";
    const bool in_image = sym != 0 && in_loaded_section(ref.shndx);
    const bool absolute = sym == 0 || ref.shndx == SHN_ABS;
    if (type == R_ARM_ABS32) {
      if (absolute) return;  // a fixed address stays where it is
      if (!in_image) fail(where + " against " + against + ", which is not in the image");
      if (target.h.sh_type == SHT_NOBITS || rel.r_offset < target.h.sh_addr ||
          uint64_t(rel.r_offset) + 4 > uint64_t(target.h.sh_addr) + target.h.sh_size || uint64_t(rel.r_offset) + 4 > segment_file_end_)
        fail(where + " lies outside the bytes of " + target.name + " (in " + relsec.name + ")");
      image_.relocations_.push_back(rel.r_offset);
      return;
    }
    if (pc_relative(type)) {
      if (in_image) return;  // the distance moves with the image
      fail(where + " against " + against + ", outside the image, needs applying; the loader applies R_ARM_ABS32 only");
    }
    fail(where + " needs applying; the loader applies R_ARM_ABS32 only");
  }

  std::span<const std::byte> file_;
  const std::string& name_;
  ElfImage image_;
  std::vector<Section> sections_;
  std::vector<SymbolRef> symbol_refs_;  // by symbol index
  uint32_t symtab_index_ = 0;
  uint64_t segment_file_end_ = 0;
};

ElfImage ElfImage::parse(std::span<const std::byte> file, const std::string& name) {
  return ElfReader(file, name).run();
}

ElfImage ElfImage::read(const std::filesystem::path& file) {
  const std::string name = file.string();
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw ElfError(name, "a folder, not a file");
  std::unique_ptr<std::FILE, decltype(&std::fclose)> f(std::fopen(name.c_str(), "rb"), &std::fclose);
  if (!f) throw ElfError(name, std::string("cannot open: ") + std::strerror(errno));
  std::vector<std::byte> bytes;
  std::byte chunk[1 << 16];
  while (size_t n = std::fread(chunk, 1, sizeof chunk, f.get())) {
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > kMaxFileBytes)
      throw ElfError(name, "larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB: not a phone's program");
  }
  if (std::ferror(f.get())) throw ElfError(name, std::string("cannot read: ") + std::strerror(errno));
  return parse(bytes, name);
}

std::optional<uint32_t> ElfImage::symbol(std::string_view name) const {
  for (const Symbol& s : symbols_)
    if (s.name == name) return s.value;
  return std::nullopt;
}

std::string ElfImage::describe(uint32_t address) const {
  address &= ~1u;
  const Range* range = nullptr;
  for (const Range& r : code_)
    if (address >= r.begin && address < r.end) range = &r;
  if (!range) return "?";
  auto it = std::upper_bound(functions_.begin(), functions_.end(), address,
                             [](uint32_t a, const Function& f) { return a < f.start; });
  if (it == functions_.begin() || std::prev(it)->start < range->begin) return "?";
  --it;
  char off[16];
  std::snprintf(off, sizeof off, "+0x%x", address - it->start);
  return it->name + off;
}

void place(const ElfImage& image, uint32_t base, std::span<std::byte> memory) {
  if (base == 0) throw std::invalid_argument("an image is never placed at address 0");
  if (base % image.alignment() != 0)
    throw std::invalid_argument("image base " + hex32(base) + " breaks the image's alignment of " +
                                std::to_string(image.alignment()));
  if (uint64_t(base) + image.size() > memory.size())
    throw std::invalid_argument("an image of " + std::to_string(image.size()) + " bytes does not fit at " + hex32(base));
  std::byte* dst = memory.data() + base;
  std::memcpy(dst, image.bytes().data(), image.size());
  const uint32_t delta = base - image.link_address();
  for (uint32_t at : image.relocations()) {
    uint32_t word;
    std::byte* p = dst + (at - image.link_address());
    std::memcpy(&word, p, 4);
    word += delta;
    std::memcpy(p, &word, 4);
  }
}

}  // namespace host::guest
