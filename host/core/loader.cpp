#include "core/loader.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <random>
#include <stdexcept>

#include "core/books.h"
#include "core/codes.h"
#include "core/install_paths.h"
#include "core/service_table.h"
#include "core/timers.h"
#include "phone/phone.h"

namespace fs = std::filesystem;

namespace host {

struct Loader::Module {
  void* handle = nullptr;
  uintptr_t base = 0;  // the loaded image's first byte
  uintptr_t end = 0;   // one past its last mapped byte
  bool ended = false;
};

namespace {

// The extent of a loaded object's mapped segments.
std::pair<uintptr_t, uintptr_t> extent(void* handle) {
  link_map* lm = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return {0, 0};
  struct Span {
    const char* name;
    uintptr_t lo = UINTPTR_MAX, hi = 0;
  } span{lm->l_name};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Span*>(data);
        if (!info->dlpi_name || std::strcmp(info->dlpi_name, s->name) != 0) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& ph = info->dlpi_phdr[i];
          if (ph.p_type != PT_LOAD) continue;
          uintptr_t lo = info->dlpi_addr + ph.p_vaddr;
          s->lo = std::min(s->lo, lo);
          s->hi = std::max(s->hi, uintptr_t(lo + ph.p_memsz));
        }
        return 1;
      },
      &span);
  if (span.hi == 0) return {0, 0};
  return {span.lo, span.hi};
}

// The loader resolves a table in place: every index becomes the firmware's value.
void resolve_constants(uint32_t* table) {
  if (!table) throw std::runtime_error("the module has no constant table");
  // The count follows the values; at most a few dozen.
  size_t n = 0;
  while (n < 64 && codes::constant(table[n])) ++n;
  if (table[n] != n) throw std::runtime_error("the module's constant table is malformed");
  for (size_t i = 0; i < n; ++i) table[i] = *codes::constant(table[i]);
}

void resolve_page(PAGE_MSG* msg) {
  size_t n = 0;
  for (;; ++n) {
    auto code = codes::event(msg[n].event);
    if (!code) throw std::runtime_error("the module names an unknown event index");
    msg[n].event = *code;
    if (!msg[n].handler) break;
    if (n > 256) throw std::runtime_error("a page of the module has no end");
  }
  uint32_t count;
  std::memcpy(&count, reinterpret_cast<const char*>(&msg[n + 1]), 4);
  if (count != n + 1) throw std::runtime_error("a page of the module has a wrong pair count");
}

fs::path private_copy(const fs::path& module) {
  std::random_device rd;
  fs::path copy = fs::temp_directory_path() / ("tunestrip-module-" + std::to_string(rd()) + ".so");
  fs::copy_file(module, copy, fs::copy_options::overwrite_existing);
  return copy;
}

}  // namespace

Loader::Loader(Phone& phone, CodeDropper drop_code)
    : phone_(phone), drop_code_(std::move(drop_code)) {
  path_ = phone.options().module_path.empty() ? installed_module() : phone.options().module_path;
}

Loader::~Loader() {
  for (auto& m : modules_) unload(*m);
}

int Loader::start() {
  if (!fs::exists(path_)) throw std::runtime_error("no add-on module at " + path_.string());
  // A private copy of the file: loading the same path again would return the running copy.
  fs::path copy = private_copy(path_);
  void* h = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  std::error_code ec;
  fs::remove(copy, ec);
  if (!h) throw std::runtime_error(std::string("cannot load the add-on: ") + dlerror());
  auto m = std::make_unique<Module>();
  m->handle = h;
  std::tie(m->base, m->end) = extent(h);

  auto** table = static_cast<FwServiceTable**>(dlsym(h, "fw_services"));
  auto* info = static_cast<FwModuleInfo*>(dlsym(h, "fw_module_info"));
  auto entry = reinterpret_cast<int (*)()>(dlsym(h, "main"));
  try {
    if (!table || !info || !entry) throw std::runtime_error("the module lacks its entry symbols");
    *table = phone_.services().table();
    resolve_constants(info->constants);
    for (PAGE_MSG* const* p = info->pages; p && *p; ++p) resolve_page(*p);
  } catch (...) {
    dlclose(h);
    throw;
  }
  Module& mod = *m;
  modules_.push_back(std::move(m));
  size_t books_before = phone_.books().addon_books_created();
  int result = entry();
  // A copy that made no book has nothing left to run: it goes once its entry point has returned.
  if (phone_.books().addon_books_created() == books_before) mod.ended = true;
  return result;
}

void Loader::on_free(void* p) {
  auto a = reinterpret_cast<uintptr_t>(p);
  for (auto& m : modules_) {
    if (m->base == a && !m->ended) {
      m->ended = true;
      return;
    }
  }
  ++bad_frees_;
}

void Loader::flush() {
  for (size_t i = 0; i < modules_.size();) {
    if (modules_[i]->ended) {
      unload(*modules_[i]);
      modules_.erase(modules_.begin() + long(i));
      ++unloaded_;
    } else {
      ++i;
    }
  }
}

void Loader::unload(Module& m) {
  if (!m.handle) return;
  // Whatever of the copy is still registered would call into unmapped code: drop it and count it.
  orphaned_ += phone_.timers().cancel_code_in(m.base, m.end);
  if (drop_code_) orphaned_ += drop_code_(m.base, m.end);
  dlclose(m.handle);
  m.handle = nullptr;
}

}  // namespace host
