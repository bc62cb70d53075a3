// A loaded copy of the add-on's code, however it runs: the native module (a shared object the
// phone's own processor runs) or the phone's own ELF (on the guest CPU). The loader keeps the
// copies; a ModuleFormat makes them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace host {

// Whether a function the phone holds (a timer's, a key hook, a display method) is code of the
// copy being unloaded.
using CodeTest = std::function<bool(uintptr_t code)>;

class LoadedModule {
 public:
  virtual ~LoadedModule() = default;
  // Runs the copy's entry point; gives its result.
  virtual int run_entry() = 0;
  // The first byte of the copy's image in the phone's memory: the pointer its exit path frees.
  uintptr_t base() const { return base_; }
  // Whether `code` (a function pointer the phone was handed) runs this copy's code.
  virtual bool runs(uintptr_t code) const { return code >= base_ && code < end_; }

 protected:
  uintptr_t base_ = 0, end_ = 0;  // the image: its first byte and one past its last
};

class ModuleFormat {
 public:
  virtual ~ModuleFormat() = default;
  // Loads a fresh copy with its own globals, its platform constants and page events resolved
  // (codes.h), ready for its entry point. Throws std::runtime_error naming what is wrong.
  virtual std::unique_ptr<LoadedModule> load() = 0;
};

}  // namespace host
