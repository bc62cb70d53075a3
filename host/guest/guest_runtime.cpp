#include "guest/guest_runtime.h"

#include <cstdio>
#include <cstring>

#include "core/arena.h"
#include "core/codes.h"
#include "core/trace.h"
#include "core/wstr.h"
#include "guest/hex.h"
#include "phone/phone.h"
#include "platform/fw_services.h"

namespace host::guest {

namespace {

GuestRuntime* g_runtime = nullptr;

uint64_t g_generations = 0;

}  // namespace

GuestRuntime& GuestRuntime::current() {
  if (!g_runtime) throw std::logic_error("no guest CPU is running");
  return *g_runtime;
}

GuestRuntime::GuestRuntime(Phone& phone, ElfImage image)
    : phone_(phone),
      arena_(phone.arena()),
      image_(std::move(image)),
      generation_(++g_generations),
      heap_(arena_.bytes(), arena_.limit(), arena_.size() - kStackBytes),
      cpu_(arena_.bytes(), arena_.size() - 16) {
  trampoline_code_ = arena_.alloc(8 * kMaxTrampolines);
  cpu_.set_service_handler([this](unsigned number, GuestCpu&) { on_service(number); });
  g_runtime = this;
}

GuestRuntime::~GuestRuntime() {
  pages_.clear();
  for (auto& [p, e] : escapes_) heap_.free(e.address);
  if (g_runtime == this) g_runtime = nullptr;
}

void* GuestRuntime::host_pointer(uint32_t address, const char* what) const {
  if (address == 0) return nullptr;
  check_range(address, 1, what);
  return arena_.data() + address;
}

void GuestRuntime::check_range(uint32_t address, uint32_t size, const char* what) const {
  if (address >= Arena::kPageSize && uint64_t(address) + size <= arena_.size()) return;
  throw GuestFault(std::string(what) + " at " + hex32(address) + (size > 1 ? " of " + std::to_string(size) + " bytes" : "") +
                       ", outside the phone's memory, passed to " + service_name(current_service_),
                   cpu_.reg(15), cpu_.reg(14));
}

bool GuestRuntime::in_guest_memory(const void* p) const {
  const auto* b = static_cast<const uint8_t*>(p);
  return b >= arena_.data() && b < arena_.data() + arena_.size();
}

uint32_t GuestRuntime::guest_address(const void* p, const char* what) const {
  if (!p) return 0;
  if (!in_guest_memory(p))
    throw std::logic_error(std::string("the phone handed the add-on ") + what + " outside its memory");
  return uint32_t(static_cast<const uint8_t*>(p) - arena_.data());
}

uint32_t GuestRuntime::allocate(uint32_t size) {
  const uint32_t a = heap_.allocate(size);
  if (!a) throw std::runtime_error("the phone's memory is full");
  return a;
}

uint32_t GuestRuntime::escape_wstr(const char16_t* s) {
  if (!s) return 0;
  if (in_guest_memory(s)) return guest_address(s, "a string");
  std::u16string_view text = wview(s);
  auto it = escapes_.find(s);
  if (it != escapes_.end() && it->second.chars < text.size()) {
    heap_.free(it->second.address);
    escapes_.erase(it);
    it = escapes_.end();
  }
  if (it == escapes_.end()) {
    const uint32_t a = allocate(uint32_t(2 * (text.size() + 1)));
    const bool sticky = current_service_ != fw_svc::fw_metadata_get_tag;
    it = escapes_.emplace(s, Escape{a, text.size(), sticky}).first;
  }
  std::memcpy(arena_.data() + it->second.address, text.data(), 2 * text.size());
  std::memset(arena_.data() + it->second.address + 2 * text.size(), 0, 2);
  return it->second.address;
}

void GuestRuntime::release_escapes() {
  for (auto it = escapes_.begin(); it != escapes_.end();) {
    if (it->second.sticky) {
      ++it;
      continue;
    }
    heap_.free(it->second.address);
    it = escapes_.erase(it);
  }
}

uint32_t GuestRuntime::thunk_target(uintptr_t code) const {
  auto it = thunk_targets_.find(code);
  return it == thunk_targets_.end() ? 0 : it->second;
}

const PAGE_DESC* GuestRuntime::host_page(uint32_t address) {
  auto& page = pages_[address];
  if (page) return &page->desc;
  // The guest's page: name, reserved, then its (event, handler) pairs, 32-bit words each.
  auto p = std::make_unique<HostPage>();
  auto word = [&](uint32_t a) { return cpu_.read32(a); };
  const uint32_t name = word(address), msg = word(address + 8);
  for (uint32_t m = msg; m; m += 8) {
    const uint32_t event = word(m), handler = word(m + 4);
    p->msg.push_back(PAGE_MSG{event, handler ? host_function<PageHandler>(handler, event) : nullptr});
    if (!handler || p->msg.size() > 256) break;
  }
  p->desc = PAGE_DESC{static_cast<const char*>(host_pointer(name, "a page name")), 0,
                      p->msg.empty() ? nullptr : p->msg.data()};
  page = std::move(p);
  return &page->desc;
}

uint32_t GuestRuntime::run(uint32_t address, std::span<const uint32_t> args) {
  const bool outermost = cpu_.depth() == 0;
  if (address & 1) ++thumb_entries_;
  try {
    return cpu_.call(address, args);
  } catch (const GuestFault& f) {
    if (!outermost) throw;
    throw AddonFault(describe(f));
  }
}

uint32_t GuestRuntime::event_data(uint32_t event, void* data, std::vector<uint32_t>& blocks) {
  if (!data) return 0;
  if (in_guest_memory(data)) return guest_address(data, "event data");
  auto copy = [&](const void* bytes, uint32_t size) {
    const uint32_t a = allocate(size);
    blocks.push_back(a);
    std::memcpy(arena_.data() + a, bytes, size);
    return a;
  };
  switch (event) {
    case codes::ABOUT_REQUEST: {
      // The book that should own the message, as a guest address.
      const uint32_t owner = guest_address(static_cast<const FwAboutEvent*>(data)->owner, "a book");
      return copy(&owner, 4);
    }
    case codes::RECONFIG_NOTICE: return copy(data, sizeof(FwReconfigEvent));
    case codes::MEDIAPLAYER_PLAY_TIMER: return copy(data, sizeof(FwPlayTimerEvent));
    default: return 0;  // the phone passes no record of its own with other events
  }
}

std::string GuestRuntime::name_code(uint32_t address) const {
  for (const auto& [base, size] : placements_)
    if (address >= base && address < base + size)
      return image_.describe(address - base + image_.link_address());
  return "?";
}

std::string GuestRuntime::describe(const GuestFault& fault) const {
  std::string where = name_code(fault.pc());
  // A jump to nowhere: the function that jumped.
  if (where == "?" && fault.lr() != GuestCpu::kReturnTrap) where = "from " + name_code(fault.lr() & ~1u);
  return fault.what_happened() + " at " + hex32(fault.pc()) + " (" + where + ")";
}

void* GuestRuntime::Shared::allocate(size_t size) {
  if (size > 0xFFFFFFFFu) return nullptr;
  const uint32_t a = rt_.heap_.allocate(uint32_t(size));
  return a ? rt_.arena_.data() + a : nullptr;
}

void GuestRuntime::Shared::release(void* p) { rt_.heap_.free(rt_.guest_address(p, "a block")); }

void GuestRuntime::Shared::put_pointer(void* at, const void* p) const {
  const uint32_t v = rt_.guest_address(p, "a record");
  std::memcpy(at, &v, 4);
}

BOOK* GuestRuntime::Shared::book_at(FwAddr image) {
  return reinterpret_cast<BOOK*>(rt_.arena_.at(image, 8));
}

void GuestRuntime::Shared::init_book(BOOK* book, const void* record, FwAddr) const {
  put_pointer(book, record);
}

}  // namespace host::guest

namespace host {

std::unique_ptr<AddonRuntime> make_guest_runtime(Phone& phone) {
  try {
    return std::make_unique<guest::GuestRuntime>(phone, guest::ElfImage::read(phone.options().elf_path));
  } catch (const guest::ElfError& e) {
    throw AddonFileError(e.what());
  }
}

}  // namespace host
