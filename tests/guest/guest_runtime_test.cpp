// The phone running its ELF, at the boundary between guest and phone: what a service may be
// handed, and what the phone's thunks and trampolines stand for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/addon_runtime.h"
#include "guest/guest_runtime.h"
#include "phone/phone.h"

namespace {

using host::guest::GuestRuntime;

const std::filesystem::path kElf = TS_TARGET_ELF;

// A phone on the ELF, and `svc #number; bx lr` in guest memory to call services with.
struct ElfPhone {
  host::Phone phone{[] {
    host::Options o;
    o.elf_path = kElf;
    return o;
  }()};
  GuestRuntime& rt = GuestRuntime::current();

  uint32_t stub(unsigned number) {
    const uint32_t at = rt.heap().allocate(8);
    rt.cpu().write32(at, 0xEF000000u | number);
    rt.cpu().write32(at + 4, 0xE12FFF1Eu);
    rt.cpu().code_changed(at, at + 8);
    return at;
  }
};

TEST(GuestRuntime, ServicesTakeOnlyBuffersInsideGuestMemory) {
  if (!std::filesystem::exists(kElf)) GTEST_SKIP() << kElf << " is absent: `make target` builds it";
  ElfPhone p;
  const uint32_t memcpy_stub = p.stub(0x113);
  const uint32_t top = uint32_t(p.rt.cpu().memory().size());
  const uint32_t block = p.rt.heap().allocate(64);
  EXPECT_EQ(p.rt.run(memcpy_stub, std::initializer_list<uint32_t>{block, block + 32, 16}), block);
  struct Case {
    const char* what;
    uint32_t dst, src, size;
  };
  for (const Case& c : {Case{"a copy past the top", top - 16, block, 4096},
                        Case{"a copy from page 0", block, 16, 8},
                        Case{"a size that wraps", block, block, 0x7FFFFFFF}}) {
    SCOPED_TRACE(c.what);
    try {
      p.rt.run(memcpy_stub, std::initializer_list<uint32_t>{c.dst, c.src, c.size});
      ADD_FAILURE() << "no fault";
    } catch (const host::AddonFault& e) {
      EXPECT_NE(std::string(e.what()).find("outside the phone's memory, passed to fw_memcpy"),
                std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
