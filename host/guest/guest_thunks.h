// How values cross between the phone and the guest: every parameter and result of a service or a
// callback by its type (included by guest_runtime.h; see there).
//
// - integers (and handles) pass as the 32-bit word;
// - pointers to data as guest addresses (GuestRuntime::host_pointer / guest_address); a wide
//   string the phone hands out from its own memory is copied into the guest's;
// - a page of the add-on becomes a host copy whose handlers are thunks;
// - functions of the add-on become thunks, functions of the phone trampolines.
//
// A thunk is one of kSlots host functions of the function's type, each calling the guest
// function its slot holds: the same guest function always gets the same thunk, so the phone can
// compare what it was handed (a key hook installed, then removed).
#pragma once

#include <array>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace host::guest {

template <typename F>
constexpr bool is_function_pointer_v =
    std::is_pointer_v<F> && std::is_function_v<std::remove_pointer_t<F>>;

template <typename T>
T to_host(GuestRuntime& rt, uint32_t v) {
  if constexpr (std::is_integral_v<T>) {
    return static_cast<T>(v);
  } else if constexpr (is_function_pointer_v<T>) {
    return rt.host_function<T>(v);
  } else if constexpr (std::is_same_v<T, const PAGE_DESC*>) {
    return v ? rt.host_page(v) : nullptr;
  } else {
    static_assert(std::is_pointer_v<T>);
    return static_cast<T>(rt.host_pointer(v, "a pointer"));
  }
}

template <typename T>
uint32_t to_guest(GuestRuntime& rt, T v) {
  if constexpr (std::is_integral_v<T>) {
    return static_cast<uint32_t>(v);
  } else if constexpr (is_function_pointer_v<T>) {
    return v ? rt.guest_function(v) : 0;
  } else if constexpr (std::is_same_v<T, const char16_t*>) {
    return rt.escape_wstr(v);
  } else {
    static_assert(std::is_pointer_v<T>);
    return rt.guest_address(v, "a pointer");
  }
}

// Calls a host function with arguments from the guest's registers and stack, and puts its result
// in r0: what a service adapter and a trampoline do.
template <typename F>
struct Serve;
template <typename R, typename... A>
struct Serve<R (*)(A...)> {
  static void run(GuestRuntime& rt, GuestCpu& cpu, R (*f)(A...)) {
    run_with(rt, cpu, f, std::index_sequence_for<A...>{});
  }
  template <size_t... I>
  static void run_with(GuestRuntime& rt, GuestCpu& cpu, R (*f)(A...), std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>) {
      f(to_host<A>(rt, cpu.arg(I))...);
    } else {
      R r = f(to_host<A>(rt, cpu.arg(I))...);
      cpu.set_result(to_guest<R>(rt, r));
    }
  }
};

template <typename F>
struct ThunkPool;
template <typename R, typename... A>
struct ThunkPool<R (*)(A...)> {
  using F = R (*)(A...);
  static constexpr size_t kSlots = 64;
  struct Slot {
    uint32_t target;
    uint32_t event;
  };
  static inline std::array<Slot, kSlots> slots{};
  static inline size_t used = 0;
  static inline uint64_t generation = 0;

  template <size_t I>
  static R call(A... a) {
    GuestRuntime& rt = GuestRuntime::current();
    const Slot s = slots[I];
    std::vector<uint32_t> blocks;  // event data copied for a page handler
    std::array<uint32_t, sizeof...(A)> args{convert(rt, s, blocks, a)...};
    uint32_t r;
    try {
      r = rt.run(s.target, args);
    } catch (...) {
      for (uint32_t b : blocks) rt.heap().free(b);
      throw;
    }
    for (uint32_t b : blocks) rt.heap().free(b);
    if constexpr (!std::is_void_v<R>) return to_host<R>(rt, r);
  }
  template <typename T>
  static uint32_t convert(GuestRuntime& rt, const Slot& s, std::vector<uint32_t>& blocks, T v) {
    if constexpr (std::is_same_v<T, void*> && std::is_same_v<F, PageHandler>)
      return rt.event_data(s.event, v, blocks);
    else
      return to_guest<T>(rt, v);
  }
  template <size_t... I>
  static constexpr std::array<F, kSlots> make(std::index_sequence<I...>) {
    return {&call<I>...};
  }
  static constexpr std::array<F, kSlots> thunks = make(std::make_index_sequence<kSlots>{});

  static F get(GuestRuntime& rt, uint32_t target, uint32_t event) {
    if (generation != rt.generation()) {
      used = 0;
      generation = rt.generation();
    }
    for (size_t i = 0; i < used; ++i)
      if (slots[i].target == target && slots[i].event == event) return thunks[i];
    if (used == kSlots)
      throw std::runtime_error("the add-on handed the phone more functions than it can call back");
    slots[used] = Slot{target, event};
    rt.note_thunk(reinterpret_cast<uintptr_t>(thunks[used]), target);
    return thunks[used++];
  }
};

template <typename F>
F GuestRuntime::host_function(uint32_t address, uint32_t event) {
  if (address == 0) return nullptr;
  // A trampoline stands for the phone's own function: hand that back.
  if (trampoline_code_ && address >= trampoline_code_ &&
      address < trampoline_code_ + 8 * trampolines_.size() && (address - trampoline_code_) % 8 == 0)
    return reinterpret_cast<F>(trampoline_hosts_[(address - trampoline_code_) / 8]);
  return ThunkPool<F>::get(*this, address, event);
}

template <typename F>
uint32_t GuestRuntime::guest_function(F f) {
  const auto code = reinterpret_cast<uintptr_t>(f);
  if (uint32_t target = thunk_target(code)) return target;
  for (size_t k = 0; k < trampoline_hosts_.size(); ++k)
    if (trampoline_hosts_[k] == code) return trampoline_code_ + 8 * uint32_t(k);
  if (trampolines_.size() == kMaxTrampolines)
    throw std::runtime_error("the phone handed the add-on more functions than it has trampolines");
  const uint32_t k = uint32_t(trampolines_.size());
  trampolines_.push_back([this, f](GuestCpu& cpu) { Serve<F>::run(*this, cpu, f); });
  trampoline_hosts_.push_back(code);
  const uint32_t at = trampoline_code_ + 8 * k;
  cpu_.write32(at, 0xEF000000u | (kTrampolineService + k));  // svc #0x10000+k
  cpu_.write32(at + 4, 0xE12FFF1Eu);                          // bx lr
  cpu_.code_changed(at, at + 8);
  return at;
}

}  // namespace host::guest
