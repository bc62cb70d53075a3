#include "core/loader.h"

#include "core/books.h"
#include "core/timers.h"
#include "phone/phone.h"

namespace host {

Loader::Loader(Phone& phone, std::unique_ptr<ModuleFormat> format, CodeDropper drop_code)
    : phone_(phone), format_(std::move(format)), drop_code_(std::move(drop_code)) {}

Loader::~Loader() {
  for (auto& c : modules_) unload(c);
}

int Loader::start() {
  modules_.push_back(Copy{format_->load()});
  // The copy's index, not a reference: its entry point may start another copy.
  size_t index = modules_.size() - 1;
  size_t books_before = phone_.books().addon_books_created();
  int result = modules_[index].module->run_entry();
  // A copy that made no book has nothing left to run: it goes once its entry point has returned.
  if (phone_.books().addon_books_created() == books_before) modules_[index].ended = true;
  return result;
}

void Loader::on_free(void* p) {
  auto a = reinterpret_cast<uintptr_t>(p);
  for (auto& c : modules_) {
    if (c.module->base() == a && !c.ended) {
      c.ended = true;
      return;
    }
  }
  ++bad_frees_;
}

void Loader::flush() {
  for (size_t i = 0; i < modules_.size();) {
    if (modules_[i].ended) {
      unload(modules_[i]);
      modules_.erase(modules_.begin() + long(i));
      ++unloaded_;
    } else {
      ++i;
    }
  }
}

void Loader::unload(Copy& c) {
  if (!c.module) return;
  // Whatever of the copy is still registered would call into unloaded code: drop it and count it.
  const LoadedModule& m = *c.module;
  CodeTest in_module = [&m](uintptr_t code) { return m.runs(code); };
  orphaned_ += phone_.timers().cancel_code_in(in_module);
  if (drop_code_) orphaned_ += drop_code_(in_module);
  c.module.reset();
}

}  // namespace host
