#include "host/phone.h"

#include <stdexcept>

#include "host/arena.h"
#include "host/books.h"
#include "host/event_queue.h"
#include "host/file_system.h"
#include "host/fonts.h"
#include "host/gui_manager.h"
#include "host/image_store.h"
#include "host/keys.h"
#include "host/loader.h"
#include "host/media_player.h"
#include "host/memory.h"
#include "host/messages.h"
#include "host/screen.h"
#include "host/service_table.h"
#include "host/tag_reader.h"
#include "host/text_store.h"
#include "host/timers.h"
#include "host/trace.h"

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
  trace_ = std::make_unique<Trace>();
  if (!options_.trace_path.empty() && !trace_->open(options_.trace_path))
    throw std::runtime_error("cannot write the call trace to " + options_.trace_path);
  arena_ = std::make_unique<Arena>();
  memory_ = std::make_unique<Memory>();
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
  loader_ = std::make_unique<Loader>(*this);
}

Phone::~Phone() {
  // Unload the add-on first: nothing of it may run once the subsystems are gone.
  loader_.reset();
  player_.reset();
  g_phone = nullptr;
}

}  // namespace host
