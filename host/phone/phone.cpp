#include "phone/phone.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "core/arena.h"
#include "core/books.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "core/text_store.h"
#include "core/timers.h"
#include "core/trace.h"
#include "files/file_system.h"
#include "images/image_store.h"
#include "core/addon_runtime.h"
#include "phone/phone_screens.h"
#include "player/media_player.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "screen/messages.h"
#include "screen/screen.h"
#include "tags/tag_reader.h"

namespace host {
namespace {
Phone* g_phone = nullptr;
}

Phone& phone() {
  if (!g_phone) throw std::logic_error("no phone is running");
  return *g_phone;
}

Phone::Phone(Options options) : options_(std::move(options)) {
  if (g_phone) throw std::logic_error("only one phone may run at a time");
  g_phone = this;
  try {
    build();
  } catch (...) {
    g_phone = nullptr;
    throw;
  }
}

void Phone::build() {
  trace_ = std::make_unique<Trace>();
  if (!options_.trace_path.empty() && !trace_->open(options_.trace_path))
    throw std::runtime_error("cannot write the call trace to " + options_.trace_path + ": " +
                             std::strerror(errno));
  if (options_.elf_path.empty()) {
    arena_ = std::make_unique<Arena>();
    runtime_ = make_native_runtime(*this);
  } else {
    arena_ = std::make_unique<Arena>(kGuestSpace, kGuestRecordsEnd);
    runtime_ = make_guest_runtime(*this);
  }
  memory_ = std::make_unique<Memory>(runtime_->shared());
  queue_ = std::make_unique<EventQueue>();
  files_ = std::make_unique<FileSystem>(options_.phone_root);
  texts_ = std::make_unique<TextStore>();
  images_ = std::make_unique<ImageStore>(*this);
  fonts_ = std::make_unique<Fonts>(*this);
  screen_ = std::make_unique<Screen>(*this);
  gui_ = std::make_unique<GuiManager>(*this);
  books_ = std::make_unique<Books>(*this);
  timers_ = std::make_unique<Timers>(*this);
  keys_ = std::make_unique<Keys>(*this);
  messages_ = std::make_unique<Messages>(*this);
  tags_ = std::make_unique<TagReader>(*this);
  player_ = std::make_unique<MediaPlayer>(*this);
  services_ = std::make_unique<ServiceTable>();
  services_->set_memory(arena_->data(), arena_->size());
  loader_ = std::make_unique<Loader>(*this, runtime_->module_format(), [this](const CodeTest& in) {
    return keys_->remove_code_in(in) + gui_->drop_code_in(in);
  });
  queue_->set_after_task([this] { after_task(); });
  // A freed book releases its GUI objects; a freed GUI object leaves its book.
  books_->set_gui_release([this](GUI* g) { gui_->free(g); });
  gui_->set_free_listener([this](GUI* g) { books_->detach_gui(g); });
  // Beneath the GUI objects: the media player's screen while it runs, else the idle screen.
  gui_->set_beneath([this] {
    const NowPlaying np = player_->now_playing();
    if (np.running)
      paint_player_screen(*screen_, np, queue_->now());
    else
      paint_idle_screen(*screen_, queue_->now());
  });
  // Keys every hook passed on go to the shown GUI object, else to the player.
  keys_->add_sink([this](int key, int mode) { return gui_->deliver_key(key, mode); });
  keys_->add_sink([this](int key, int mode) {
    if (mode != codes::KBD_SHORT_PRESS || !player_->running()) return false;
    if (key == codes::KEY_VOL_UP) player_->volume_up();
    else if (key == codes::KEY_VOL_DOWN) player_->volume_down();
    else return false;
    return true;
  });
}

void Phone::after_task() {
  books_->flush();
  gui_->flush();
  loader_->flush();
}

int Phone::start_addon() {
  int result = 0;
  std::exception_ptr error;
  queue_->post([&] {
    try {
      result = loader_->start();
    } catch (...) {
      error = std::current_exception();
    }
  });
  queue_->settle();
  if (error) std::rethrow_exception(error);
  return result;
}

void Phone::send_event(uint32_t code, void* data) {
  queue_->post([this, code, data] { books_->broadcast(code, data); });
  queue_->settle();
}

SharedMemory& Phone::shared() { return runtime_->shared(); }

ResourceCounts Phone::counts() const {
  ResourceCounts c;
  c.allocations = memory_->live_blocks();
  c.bytes = memory_->live_bytes();
  c.texts = texts_->live();
  c.images = images_->live();
  c.gui_objects = gui_->live();
  c.tag_readers = tags_->live();
  c.timers = timers_->live() + timers_->queued_calls();
  c.key_hooks = keys_->hooks();
  c.books = books_->live_addon_books();
  c.files = files_->open_files();
  c.modules = loader_->loaded();
  return c;
}

std::string ResourceCounts::summary() const {
  std::string s;
  auto add = [&](const char* name, size_t v) {
    if (!s.empty()) s += ", ";
    s += name;
    s += ' ';
    s += std::to_string(v);
  };
  add("allocations", allocations);
  add("bytes", bytes);
  add("texts", texts);
  add("images", images);
  add("timers", timers);
  add("key hooks", key_hooks);
  add("GUI objects", gui_objects);
  add("books", books);
  add("tag readers", tag_readers);
  add("open files", files);
  add("loaded add-ons", modules);
  return s;
}

bool ResourceCounts::all_zero() const {
  return allocations == 0 && bytes == 0 && texts == 0 && images == 0 && timers == 0 &&
         key_hooks == 0 && gui_objects == 0 && books == 0 && tag_readers == 0 && files == 0 &&
         modules == 0;
}

Phone::~Phone() {
  // Unload the add-on first: nothing of it may run once the subsystems are gone.
  loader_.reset();
  player_.reset();
  g_phone = nullptr;
}

}  // namespace host
