#include "core/native_module.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "core/codes.h"
#include "core/service_table.h"

namespace fs = std::filesystem;

namespace host {

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

fs::path private_copy(const fs::path& module) {
  std::random_device rd;
  fs::path copy = fs::temp_directory_path() / ("tunestrip-module-" + std::to_string(rd()) + ".so");
  fs::copy_file(module, copy, fs::copy_options::overwrite_existing);
  return copy;
}

class NativeModule : public LoadedModule {
 public:
  NativeModule(void* handle, int (*entry)()) : handle_(handle), entry_(entry) {
    std::tie(base_, end_) = extent(handle);
  }
  ~NativeModule() override { dlclose(handle_); }
  int run_entry() override { return entry_(); }

 private:
  void* handle_;
  int (*entry_)();
};

}  // namespace

void resolve_constants(uint32_t* table) {
  if (!table) throw std::runtime_error("the module has no constant table");
  // At most a few dozen.
  size_t n = 0;
  while (n < 64 && codes::constant(table[n])) ++n;
  if (table[n] != n) throw std::runtime_error("the module's constant table is malformed");
  for (size_t i = 0; i < n; ++i) table[i] = *codes::constant(table[i]);
}

void resolve_page(uint32_t* msg, size_t pair_words) {
  auto handler_is_null = [&](size_t pair) {
    for (size_t w = 1; w < pair_words; ++w)
      if (msg[pair * pair_words + w] != 0) return false;
    return true;
  };
  size_t n = 0;
  for (;; ++n) {
    auto code = codes::event(msg[n * pair_words]);
    if (!code) throw std::runtime_error("the module names an unknown event index");
    msg[n * pair_words] = *code;
    if (handler_is_null(n)) break;
    if (n > 256) throw std::runtime_error("a page of the module has no end");
  }
  if (msg[(n + 1) * pair_words] != n + 1)
    throw std::runtime_error("a page of the module has a wrong pair count");
}

std::unique_ptr<LoadedModule> NativeModuleFormat::load() {
  if (!fs::exists(path_)) throw std::runtime_error("no add-on module at " + path_.string());
  // A private copy of the file: loading the same path again would return the running copy.
  fs::path copy = private_copy(path_);
  void* h = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  std::error_code ec;
  fs::remove(copy, ec);
  if (!h) throw std::runtime_error(std::string("cannot load the add-on: ") + dlerror());
  auto** table = static_cast<FwServiceTable**>(dlsym(h, "fw_services"));
  auto* info = static_cast<FwModuleInfo*>(dlsym(h, "fw_module_info"));
  auto entry = reinterpret_cast<int (*)()>(dlsym(h, "main"));
  auto module = std::make_unique<NativeModule>(h, entry);
  if (!table || !info || !entry) throw std::runtime_error("the module lacks its entry symbols");
  *table = services_.table();
  resolve_constants(info->constants);
  static_assert(sizeof(PAGE_MSG) % 4 == 0);
  for (PAGE_MSG* const* p = info->pages; p && *p; ++p)
    resolve_page(reinterpret_cast<uint32_t*>(*p), sizeof(PAGE_MSG) / 4);
  return module;
}

}  // namespace host
