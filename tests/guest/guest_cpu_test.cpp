// The guest CPU against small hand-assembled pieces of ARM and Thumb code (the encodings are
// arm-none-eabi-as's, the source in the comment beside each).
#include "guest/guest_cpu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "guest/guest_memory.h"

namespace host::guest {
namespace {

constexpr uint32_t kMemory = 1u << 20;
constexpr uint32_t kCode = 0x10000;

// Code as the assembler gave it: ARM words or Thumb halfwords.
struct Code {
  bool thumb;
  std::vector<uint32_t> units;
};

class GuestCpuTest : public ::testing::Test {
 protected:
  // Writes `code` at `at`; gives the address to call (bit 0 set for Thumb).
  uint32_t load(const Code& code, uint32_t at = kCode) {
    const size_t unit = code.thumb ? 2 : 4;
    for (size_t i = 0; i < code.units.size(); ++i)
      std::memcpy(memory.bytes().data() + at + i * unit, &code.units[i], unit);
    cpu.code_changed(at, uint32_t(at + code.units.size() * unit));
    return at | (code.thumb ? 1u : 0u);
  }

  GuestMemory memory{kMemory};
  GuestCpu cpu{memory.bytes(), kMemory};
};

// The argument pattern 1..6 shifted into one nibble each: r0 | r1 << 4 | ... | stack[1] << 20.
const Code kSixArm{false, {
    0xe1800201,  // orr r0, r0, r1, lsl #4
    0xe1800402,  // orr r0, r0, r2, lsl #8
    0xe1800603,  // orr r0, r0, r3, lsl #12
    0xe59d1000,  // ldr r1, [sp]
    0xe1800801,  // orr r0, r0, r1, lsl #16
    0xe59d1004,  // ldr r1, [sp, #4]
    0xe1800a01,  // orr r0, r0, r1, lsl #20
    0xe12fff1e,  // bx lr
}};
const Code kSixThumb{true, {
    0x0109, 0x4308,  // lsls r1, r1, #4; orrs r0, r1
    0x0212, 0x4310,  // lsls r2, r2, #8; orrs r0, r2
    0x031b, 0x4318,  // lsls r3, r3, #12; orrs r0, r3
    0x9900, 0x0409, 0x4308,  // ldr r1, [sp]; lsls r1, r1, #16; orrs r0, r1
    0x9901, 0x0509, 0x4308,  // ldr r1, [sp, #4]; lsls r1, r1, #20; orrs r0, r1
    0x4770,  // bx lr
}};

TEST_F(GuestCpuTest, CallsRunToTheirReturnWithArgumentsAndCountInstructions) {
  struct Row {
    const char* name;
    Code code;
    std::vector<uint32_t> args;
    uint32_t result;
    uint64_t instructions;
  };
  const Row rows[] = {
      {"ARM, six arguments (two on the stack)", kSixArm, {1, 2, 3, 4, 5, 6}, 0x654321, 8},
      {"Thumb, six arguments", kSixThumb, {1, 2, 3, 4, 5, 6}, 0x654321, 13},
      {"ARM loop: r0 + r1, one a turn",
       {false, {0xe2800001,    // loop: add r0, r0, #1
                0xe2511001,    // subs r1, r1, #1
                0x1afffffc,    // bne loop
                0xe12fff1e}},  // bx lr
       {5, 10}, 15, 3 * 10 + 1},
      {"Thumb calling ARM (blx and back)",
       {true, {0xb510,          // push {r4, lr}
               0xf000, 0xe802,  // blx inc (two halfwords, two instructions on ARMv5)
               0xbd10,          // pop {r4, pc}
               0x0001, 0xe280,  // inc: add r0, r0, #1 (ARM)
               0xff1e, 0xe12f}},  // bx lr
       {41}, 42, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const uint32_t at = load(row.code);
    const uint64_t before = cpu.instructions();
    EXPECT_EQ(cpu.call(at, row.args), row.result);
    EXPECT_EQ(cpu.instructions() - before, row.instructions);
    EXPECT_EQ(cpu.depth(), 0);
  }
}

TEST_F(GuestCpuTest, ServiceCallsReachTheHandlerWithTheirNumberAndArguments) {
  struct Row {
    const char* name;
    Code stub;
    unsigned number;
  };
  const Row rows[] = {
      {"ARM stub", {false, {0xef000123, 0xe12fff1e}}, 0x123},     // svc #0x123; bx lr
      {"ARM stub, entry of", {false, {0xef008104, 0xe12fff1e}}, 0x8104},  // svc #0x8104; bx lr
      {"Thumb", {true, {0xdf42, 0x4770}}, 0x42},                 // svc #0x42; bx lr
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<unsigned> numbers;
    std::vector<uint32_t> args;
    cpu.set_service_handler([&](unsigned number, GuestCpu& c) {
      numbers.push_back(number);
      for (unsigned i = 0; i < 6; ++i) args.push_back(c.arg(i));
      c.set_result(number + 1);
    });
    EXPECT_EQ(cpu.call(load(row.stub), {10, 11, 12, 13, 14, 15}), row.number + 1);
    EXPECT_EQ(numbers, std::vector<unsigned>{row.number});
    EXPECT_EQ(args, (std::vector<uint32_t>{10, 11, 12, 13, 14, 15}));
  }
}

// outer (ARM) keeps values in r4 and r2 across `svc #1`, whose handler calls inner (Thumb), which
// overwrites both and calls `svc #2`: r0 = inner's result + 7 + 100 when the interrupted call's
// registers come back.
class NestedCallTest : public GuestCpuTest {
 protected:
  void SetUp() override {
    outer = load({false, {0xe92d4010,  // push {r4, lr}
                          0xe3a04007,  // mov r4, #7
                          0xe3a02064,  // mov r2, #100
                          0xef000001,  // svc #1
                          0xe0800004,  // add r0, r0, r4
                          0xe0800002,  // add r0, r0, r2
                          0xe8bd8010}});  // pop {r4, pc}
    inner = load({true, {0x2463,   // movs r4, #99
                         0x2263,   // movs r2, #99
                         0xdf02,   // svc #2
                         0x4770}},  // bx lr
                 kCode + 0x100);
  }
  // svc #1 calls inner(10); svc #2 gives 3 * its argument. `throw_at` names the service that
  // throws instead.
  void handle(unsigned throw_at) {
    cpu.set_service_handler([this, throw_at](unsigned number, GuestCpu& c) {
      depths.push_back(c.depth());
      if (number == throw_at) throw std::runtime_error("no service " + std::to_string(number));
      c.set_result(number == 1 ? c.call(inner, {10}) : 3 * c.arg(0));
    });
  }
  uint32_t outer = 0, inner = 0;
  std::vector<int> depths;
};

TEST_F(NestedCallTest, AHandlerCallsBackIntoGuestCodeAndTheInterruptedCallResumes) {
  handle(0);
  EXPECT_EQ(cpu.call(outer), 30u + 7 + 100);
  EXPECT_EQ(depths, (std::vector<int>{1, 2}));
  EXPECT_EQ(cpu.depth(), 0);
}

TEST_F(NestedCallTest, AHandlersExceptionArrivesAtTheCallerAndTheCpuGoesOn) {
  for (unsigned throw_at : {1u, 2u}) {
    SCOPED_TRACE(throw_at);
    handle(throw_at);
    try {
      cpu.call(outer);
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "no service " + std::to_string(throw_at));
    }
    EXPECT_EQ(cpu.depth(), 0);
    handle(0);
    EXPECT_EQ(cpu.call(outer), 137u);
  }
}

TEST_F(GuestCpuTest, FaultsStopTheRunWithWhatAndWhere) {
  struct Row {
    const char* name;
    Code code;
    std::string what;
    uint32_t pc;  // where, from the code's start
  };
  const Row rows[] = {
      {"undefined instruction, ARM", {false, {0xe1a00000, 0xe7f000f0}}, "undefined instruction 0xe7f000f0", kCode + 4},
      {"undefined instruction, Thumb", {true, {0x2000, 0xde00}}, "undefined instruction 0xde00", kCode + 2},
      {"null read", {false, {0xe3a01000, 0xe5910000}},  // mov r1, #0; ldr r0, [r1]
       "read of unmapped address 0x00000000", kCode + 4},
      {"null read inside a Thumb block",
       {true, {0x2005, 0x2100, 0x6808, 0x2007, 0x4770}},  // movs r0, #5; movs r1, #0; ldr r0, [r1]; movs r0, #7; bx lr
       "read of unmapped address 0x00000000", kCode + 4},
      {"write past the memory", {false, {0xe3a01201, 0xe5810000}},  // mov r1, #0x10000000; str r0, [r1]
       "write to unmapped address 0x10000000", kCode + 4},
      {"jump to an unmapped address", {false, {0xe3a01201, 0xe12fff31}},  // mov r1, #0x10000000; blx r1
       "jump to unmapped address 0x10000000", 0x10000000},
      {"call through a null pointer, Thumb", {true, {0x2100, 0x4788}},  // movs r1, #0; blx r1
       "jump to unmapped address 0x00000000", 0},
      {"endless loop", {false, {0xeafffffe}},  // b .
       "ran past its budget of 1000 instructions (a hang?)", kCode},
      {"service call with no handler", {false, {0xef000104, 0xe12fff1e}}, "svc #0x104 with no service handler", kCode},
  };
  const uint32_t good = load(kSixArm, kCode + 0x1000);
  cpu.set_budget(1000);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const uint32_t at = load(row.code);
    try {
      cpu.call(at);
      ADD_FAILURE() << "no fault";
    } catch (const GuestFault& f) {
      EXPECT_EQ(f.what_happened(), row.what);
      EXPECT_EQ(f.pc(), row.pc);
    }
    EXPECT_EQ(cpu.call(good, {1, 2, 3, 4, 5, 6}), 0x654321u) << "the CPU after the fault";
  }
}

TEST_F(GuestCpuTest, AFaultInANestedCallEndsTheCallsAroundIt) {
  const uint32_t bad = load({false, {0xe3a01000, 0xe5910000}});  // a null read
  const uint32_t stub = load({false, {0xef000001, 0xe12fff1e}}, kCode + 0x100);
  cpu.set_service_handler([&](unsigned, GuestCpu& c) { c.set_result(c.call(bad)); });
  try {
    cpu.call(stub);
    ADD_FAILURE() << "no fault";
  } catch (const GuestFault& f) {
    EXPECT_EQ(f.pc(), kCode + 4);
  }
  EXPECT_EQ(cpu.depth(), 0);
}

}  // namespace
}  // namespace host::guest
