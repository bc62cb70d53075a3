// The phone's own build, build-arm/TuneStrip.elf (`make target`): the checks the loader makes,
// placement, and the start of main under the guest CPU. Broken files are the real one with one
// thing changed, so that each row meets exactly the check it is named for.
#include "guest/elf_image.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "guest/guest_cpu.h"
#include "guest/guest_heap.h"
#include "guest/guest_memory.h"

namespace host::guest {
namespace {

using Bytes = std::vector<std::byte>;

const std::filesystem::path kElf = TS_TARGET_ELF;

#define SKIP_WITHOUT_ELF()                                                                         \
  if (!std::filesystem::exists(kElf))                                                              \
  GTEST_SKIP() << kElf << " is absent: `make target` builds it (`make test` does so before ctest)"

Bytes file_bytes(const std::filesystem::path& path) {
  std::unique_ptr<std::FILE, decltype(&std::fclose)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  Bytes out;
  if (!f) return out;
  std::byte chunk[4096];
  while (size_t n = std::fread(chunk, 1, sizeof chunk, f.get())) out.insert(out.end(), chunk, chunk + n);
  return out;
}

// Views into an ELF held in memory, for the rows that change one thing of it.
template <class T>
T* at(Bytes& b, size_t offset) {
  return reinterpret_cast<T*>(b.data() + offset);
}
Elf32_Ehdr* header(Bytes& b) { return at<Elf32_Ehdr>(b, 0); }
Elf32_Shdr* section(Bytes& b, unsigned i) { return at<Elf32_Shdr>(b, header(b)->e_shoff + i * sizeof(Elf32_Shdr)); }
std::string section_name(Bytes& b, unsigned i) {
  return at<const char>(b, section(b, header(b)->e_shstrndx)->sh_offset + section(b, i)->sh_name);
}
// Renames a symbol in place (same length) in the string table of the symbols.
void rename_symbol(Bytes& b, const std::string& from, const std::string& to) {
  for (unsigned i = 0; i < header(b)->e_shnum; ++i) {
    if (section(b, i)->sh_type != SHT_SYMTAB) continue;
    Elf32_Shdr* strs = section(b, section(b, i)->sh_link);
    char* p = at<char>(b, strs->sh_offset);
    for (uint32_t k = 0; k + from.size() < strs->sh_size; ++k)
      if ((k == 0 || p[k - 1] == 0) && std::strcmp(p + k, from.c_str()) == 0) std::memcpy(p + k, to.data(), to.size());
  }
}

struct Refusal {
  const char* name;
  std::string path;                        // a file to read; empty: the ELF, changed by `change`
  std::function<void(Bytes&)> change;
  std::string reason;                      // a part of the message, after "FILE: "
};

const Refusal kRefusals[] = {
    {"MissingFile", "/nonexistent/TuneStrip.elf", nullptr, "cannot open: No such file or directory"},
    {"Folder", "/", nullptr, "a folder, not a file"},
#if defined(__x86_64__)
    {"HostProgram", "/bin/true", nullptr, "a 64-bit x86-64 program, not a 32-bit ARM one"},
#else
    {"HostProgram", "/bin/true", nullptr, "program, not a"},
#endif
    {"Empty", "", [](Bytes& b) { b.clear(); }, "an empty file"},
    {"NotAnElf", "", [](Bytes& b) { b.assign(b.size(), std::byte{'#'}); }, "not an ELF file"},
    {"CutShortInTheHeader", "", [](Bytes& b) { b.resize(30); }, "cut short: the ELF header ends at byte 52, the file has 30"},
    {"CutShort", "", [](Bytes& b) { b.resize(b.size() / 2); }, "cut short: the section table ends at byte"},
    {"CutShortInTheImage", "", [](Bytes& b) { b.resize(0x2000); }, "cut short: the loadable segment ends at byte"},
    {"BigEndian", "",
     [](Bytes& b) {
       header(b)->e_ident[EI_DATA] = ELFDATA2MSB;
       std::swap(b[18], b[19]);
     },
     "a big-endian ARM program"},
    {"OtherProcessor", "", [](Bytes& b) { header(b)->e_machine = EM_386; }, "a 32-bit x86 program, not an ARM one"},
    {"ObjectFile", "", [](Bytes& b) { header(b)->e_type = ET_REL; }, "an object file, not a linked program"},
    {"NoLoadableSegment", "", [](Bytes& b) { at<Elf32_Phdr>(b, header(b)->e_phoff)->p_type = PT_NOTE; }, "no loadable segment"},
    {"Stripped", "",
     [](Bytes& b) {
       for (unsigned i = 0; i < header(b)->e_shnum; ++i)
         if (section(b, i)->sh_type == SHT_SYMTAB) section(b, i)->sh_type = SHT_PROGBITS;
     },
     "no symbol table"},
    {"NoMain", "", [](Bytes& b) { rename_symbol(b, "main", "mian"); }, "no symbol 'main'"},
    {"NoModuleInfo", "", [](Bytes& b) { rename_symbol(b, "fw_module_info", "fw_module_inf_"); }, "no symbol 'fw_module_info'"},
    {"EntryOutsideTheCode", "", [](Bytes& b) { header(b)->e_entry = 0x00100001; }, "the entry point 0x00100001 is not in the image's code"},
    {"NoRelocations", "",
     [](Bytes& b) {
       for (unsigned i = 0; i < header(b)->e_shnum; ++i)
         if (section(b, i)->sh_type == SHT_REL) section(b, i)->sh_type = SHT_PROGBITS;
     },
     "no relocations: the image cannot be moved"},
    {"RelocationToApply", "",
     [](Bytes& b) {
       for (unsigned i = 0; i < header(b)->e_shnum; ++i)
         if (section_name(b, i) == ".rel.text") {
           auto* rel = at<Elf32_Rel>(b, section(b, i)->sh_offset);
           while (ELF32_R_TYPE(rel->r_info) != R_ARM_ABS32) ++rel;
           rel->r_info = ELF32_R_INFO(ELF32_R_SYM(rel->r_info), R_ARM_MOVW_ABS_NC);
         }
     },
     "R_ARM_MOVW_ABS_NC at 0x"},
};

void PrintTo(const Refusal& row, std::ostream* os) { *os << row.name; }

class ElfRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ElfRefusal, NamesTheFileAndWhatIsWrong) {
  const Refusal& row = GetParam();
  std::string name = row.path;
  try {
    if (!row.path.empty()) {
      ElfImage::read(row.path);
    } else {
      SKIP_WITHOUT_ELF();
      Bytes b = file_bytes(kElf);
      row.change(b);
      name = "changed.elf";
      ElfImage::parse(b, name);
    }
    ADD_FAILURE() << "accepted";
  } catch (const ElfError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind(name + ": ", 0), 0u) << what;
    EXPECT_NE(e.reason().find(row.reason), std::string::npos) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ElfRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& p) { return std::string(p.param.name); });

TEST(ElfImage, AcceptsThePhonesBuildAsLinked) {
  SKIP_WITHOUT_ELF();
  const ElfImage image = ElfImage::read(kElf);
  Bytes b = file_bytes(kElf);
  const auto* seg = at<Elf32_Phdr>(b, header(b)->e_phoff);
  EXPECT_EQ(image.size(), seg->p_memsz);
  EXPECT_EQ(image.link_address(), 0u);
  EXPECT_EQ(std::memcmp(image.bytes().data(), b.data() + seg->p_offset, seg->p_filesz), 0);
  for (uint32_t i = seg->p_filesz; i < seg->p_memsz; ++i) ASSERT_EQ(image.bytes()[i], std::byte{0}) << "bss at " << i;
  EXPECT_EQ(image.symbol("main"), image.entry());
  EXPECT_EQ(image.describe(image.entry()), "main+0x0");
  EXPECT_EQ(image.describe((image.entry() & ~1u) + 0x10), "main+0x10");
  EXPECT_EQ(image.describe(*image.symbol("fw_module_info")), "?") << "data is not code";
}

TEST(ElfImage, RelocationsAreTheAbsoluteWordsOfTheLoadedSectionsAsReadelfListsThem) {
  SKIP_WITHOUT_ELF();
  const std::string readelf = TS_ARM_READELF;
  if (readelf.empty()) GTEST_SKIP() << "arm-none-eabi-readelf is not installed";
  const ElfImage image = ElfImage::read(kElf);
  std::unique_ptr<FILE, decltype(&pclose)> out(popen((readelf + " -rW " + kElf.string()).c_str(), "r"), &pclose);
  ASSERT_TRUE(out);
  std::vector<uint32_t> listed;
  bool loaded = false;
  char line[512];
  while (std::fgets(line, sizeof line, out.get())) {
    const std::string s = line;
    if (s.rfind("Relocation section '", 0) == 0) loaded = s.rfind("Relocation section '.rel.debug", 0) != 0;
    unsigned offset, info;
    if (loaded && std::sscanf(line, "%x %x", &offset, &info) == 2 && ELF32_R_TYPE(info) == R_ARM_ABS32)
      listed.push_back(offset);
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(image.relocations(), listed);
  EXPECT_GT(listed.size(), 100u);
}

TEST(ElfImage, PlacementsAtTwoBasesDifferExactlyAtTheRelocatedWords) {
  SKIP_WITHOUT_ELF();
  const ElfImage image = ElfImage::read(kElf);
  GuestMemory memory(1u << 20);
  const uint32_t a = 0x10000, b = 0x48000;
  place(image, a, memory.bytes());
  place(image, b, memory.bytes());
  const std::set<uint32_t> relocated(image.relocations().begin(), image.relocations().end());
  const std::byte* pa = memory.bytes().data() + a;
  const std::byte* pb = memory.bytes().data() + b;
  for (uint32_t i = 0; i < image.size();) {
    if (relocated.count(i)) {
      uint32_t linked, wa, wb;
      std::memcpy(&linked, image.bytes().data() + i, 4);
      std::memcpy(&wa, pa + i, 4);
      std::memcpy(&wb, pb + i, 4);
      ASSERT_EQ(wa, linked + a) << "word at " << i;
      ASSERT_EQ(wb, linked + b) << "word at " << i;
      i += 4;
    } else {
      ASSERT_EQ(pa[i], pb[i]) << "byte at " << i << " differs but is not relocated";
      ++i;
    }
  }
  EXPECT_THROW(place(image, 0x10002, memory.bytes()), std::invalid_argument) << "breaks the image's alignment";
  EXPECT_THROW(place(image, (1u << 20) - 0x1000, memory.bytes()), std::invalid_argument) << "does not fit";
}

// main, placed and run from its entry: it asks the firmware for a book it already runs (calling
// the predicate it passes back into the image, nested), then allocates its records; a heap too
// small for the second makes it free the first and return 0.
TEST(ElfImage, MainRunsUnderTheGuestCpuToItsFirstServiceCalls) {
  SKIP_WITHOUT_ELF();
  constexpr unsigned kMalloc = 0x103, kFree = 0x104, kStrcmp = 0x159, kFindBook = 0x130;
  const ElfImage image = ElfImage::read(kElf);
  GuestMemory memory(4u << 20);
  constexpr uint32_t kBase = 0x100000, kBook = 0x80000, kHeap = 0x90000;
  place(image, kBase, memory.bytes());
  GuestCpu cpu(memory.bytes(), memory.size());
  GuestHeap heap(memory.bytes(), kHeap, kHeap + 256);
  // The media player's book: its record holds the book and the book's name.
  cpu.write32(kBook, kBook + 8);
  cpu.write32(kBook + 8, kBook);
  cpu.write32(kBook + 12, kBook + 16);
  std::memcpy(memory.bytes().data() + kBook + 16, "MediaPlayer", 12);
  auto text = [&](uint32_t a) { return std::string(reinterpret_cast<const char*>(memory.bytes().data() + a)); };

  std::vector<unsigned> services;
  std::string compared_with;
  cpu.set_service_handler([&](unsigned number, GuestCpu& c) {
    services.push_back(number);
    switch (number) {
      case kFindBook: c.set_result(c.call(c.arg(0), {kBook}) ? kBook : 0); break;
      case kStrcmp:
        EXPECT_TRUE(c.arg(1) >= kBase && c.arg(1) < kBase + image.size()) << "a relocated pointer into the image";
        compared_with = text(c.arg(1));
        c.set_result(text(c.arg(0)) == compared_with ? 0 : 1);
        break;
      case kMalloc: c.set_result(heap.allocate(c.arg(0))); break;
      case kFree: heap.free(c.arg(0)); break;
      default: ADD_FAILURE() << "service " << number; break;
    }
  });
  const uint64_t before = cpu.instructions();
  EXPECT_EQ(cpu.call(kBase + image.entry()), 0u);
  EXPECT_EQ(services, (std::vector<unsigned>{kFindBook, kStrcmp, kMalloc, kMalloc, kFree}));
  EXPECT_FALSE(compared_with.empty());
  EXPECT_EQ(heap.live_blocks(), 0u);
  EXPECT_GT(cpu.instructions() - before, 10u);
}

}  // namespace
}  // namespace host::guest
