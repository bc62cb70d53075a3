// Loads the add-on's module as the phone's loader does: every start loads a fresh copy with its
// own globals, resolves its platform constants and page events to the firmware's codes, and calls
// its entry point. A copy is unloaded once it has freed its own image (after that deferred call
// has returned), or right after its entry point returns when it created no book.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace host {

class Phone;

class Loader {
 public:
  // `drop_code` drops whatever of the phone's rooms still calls into [base, end) (the key hook,
  // GUI objects) and returns how many it dropped; the loader calls it at each unload.
  using CodeDropper = std::function<size_t(uintptr_t base, uintptr_t end)>;
  Loader(Phone& phone, CodeDropper drop_code);
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
  struct Module;
  void unload(Module& m);

  Phone& phone_;
  CodeDropper drop_code_;
  std::filesystem::path path_;
  std::vector<std::unique_ptr<Module>> modules_;
  size_t unloaded_ = 0;
  size_t orphaned_ = 0;
  size_t bad_frees_ = 0;
};

}  // namespace host
