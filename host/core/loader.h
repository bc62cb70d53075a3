// Loads the add-on as the phone's loader does: every start loads a fresh copy with its own
// globals, resolves its platform constants and page events to the firmware's codes, and calls
// its entry point. A copy is unloaded once it has freed its own image (after that deferred call
// has returned), or right after its entry point returns when it created no book.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/module.h"

namespace host {

class Phone;

class Loader {
 public:
  // `drop_code` drops whatever of the phone's rooms still calls code the test accepts (the key
  // hook, GUI objects) and returns how many it dropped; the loader calls it at each unload.
  using CodeDropper = std::function<size_t(const CodeTest& in_module)>;
  Loader(Phone& phone, std::unique_ptr<ModuleFormat> format, CodeDropper drop_code);
  ~Loader();

  // Loads a copy of the module and runs its entry point; returns the entry point's result.
  // Throws std::runtime_error when the module cannot be loaded or resolved.
  int start();

  // fw_free of something that is no allocation: a copy's image base ends that copy.
  void on_free(void* p);
  // Called after every queued task: unloads the copies that ended.
  void flush();

  size_t loaded() const { return modules_.size(); }
  size_t unloaded() const { return unloaded_; }
  // Timers and calls of unloaded copies that were still queued (cancelled at unload).
  size_t orphaned_callbacks() const { return orphaned_; }
  size_t bad_frees() const { return bad_frees_; }

 private:
  struct Copy {
    std::unique_ptr<LoadedModule> module;
    bool ended = false;
  };
  void unload(Copy& c);

  Phone& phone_;
  std::unique_ptr<ModuleFormat> format_;
  CodeDropper drop_code_;
  std::vector<Copy> modules_;
  size_t unloaded_ = 0;
  size_t orphaned_ = 0;
  size_t bad_frees_ = 0;
};

}  // namespace host
