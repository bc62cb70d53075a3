// A copy of the add-on's image as the phone's loader places it: a block of the guest heap, the
// image copied to its start and moved there, its tables resolved in guest memory.
#include <cstdio>

#include "core/arena.h"
#include "core/native_module.h"
#include "core/trace.h"
#include "guest/guest_runtime.h"
#include "guest/hex.h"
#include "phone/phone.h"

namespace host::guest {

namespace {

// One placed copy of the image: a block of the guest heap, the image moved to its start.
class GuestModule : public LoadedModule {
 public:
  GuestModule(GuestRuntime& rt, Arena& arena) : rt_(rt) {
    const ElfImage& image = rt.image();
    const uint32_t align = std::max<uint32_t>(image.alignment(), GuestHeap::kAlign);
    block_ = rt.heap().allocate(image.size() + align);
    if (!block_) throw std::runtime_error("no room in the phone's memory for another copy of the add-on");
    base_guest_ = (block_ + align - 1) / align * align;
    place(image, base_guest_, arena.bytes());
    rt.cpu().code_changed(base_guest_, base_guest_ + image.size());
    rt.placed(base_guest_, image.size());
    base_ = reinterpret_cast<uintptr_t>(arena.data()) + base_guest_;
    end_ = base_ + image.size();
    if (phone().trace().active()) phone().trace().write("# ELF image at " + hex32(base_guest_));
    try {
      resolve(arena);
    } catch (...) {
      rt.unplaced(base_guest_);
      rt.heap().free(block_);
      throw;
    }
  }
  ~GuestModule() override {
    rt_.unplaced(base_guest_);
    rt_.heap().free(block_);
  }
  int run_entry() override {
    const uint32_t main = moved(*rt_.image().symbol("main"));
    return int(rt_.run(main, {}));
  }
  bool runs(uintptr_t code) const override {
    const uint32_t target = rt_.thunk_target(code) & ~1u;
    return target >= base_guest_ && target < base_guest_ + rt_.image().size();
  }

 private:
  uint32_t moved(uint32_t linked) const { return linked - rt_.image().link_address() + base_guest_; }

  // The module info: the constant table's address, then the page list's (null-terminated).
  void resolve(Arena& arena) {
    const uint32_t info = moved(*rt_.image().symbol("fw_module_info"));
    auto word = [&](uint32_t a) { return rt_.cpu().read32(a); };
    const uint32_t constants = word(info);
    if (!constants) throw std::runtime_error("the module has no constant table");
    resolve_constants(reinterpret_cast<uint32_t*>(arena.at(constants, 4)));
    uint32_t pages = word(info + 4);
    for (int n = 0; pages && n < 64; ++n, pages += 4) {
      const uint32_t page = word(pages);
      if (!page) break;
      resolve_page(reinterpret_cast<uint32_t*>(arena.at(page, 4)), 2);
    }
  }

  GuestRuntime& rt_;
  uint32_t block_ = 0;
  uint32_t base_guest_ = 0;
};

class GuestFormat : public ModuleFormat {
 public:
  GuestFormat(GuestRuntime& rt, Arena& arena) : rt_(rt), arena_(arena) {}
  std::unique_ptr<LoadedModule> load() override { return std::make_unique<GuestModule>(rt_, arena_); }

 private:
  GuestRuntime& rt_;
  Arena& arena_;
};

}  // namespace

std::unique_ptr<ModuleFormat> GuestRuntime::module_format() {
  return std::make_unique<GuestFormat>(*this, arena_);
}

}  // namespace host::guest
