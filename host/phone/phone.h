// The simulated phone: owns every firmware subsystem and the virtual clock, and runs the add-on.
// Firmware services are plain C functions (they are called through the add-on's service table),
// so they reach the phone through host::phone(), the one phone alive at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "phone/options.h"

namespace host {

class Arena;
class Memory;
class EventQueue;
class Trace;
class FileSystem;
class TextStore;
class ImageStore;
class Fonts;
class Screen;
class GuiManager;
class Books;
class Timers;
class Keys;
class Messages;
class TagReader;
class MediaPlayer;
class Loader;
class ServiceTable;
class SharedMemory;
class AddonRuntime;

// Live resources, for the summary and the tests: after the add-on's full exit all are zero.
struct ResourceCounts {
  size_t allocations = 0, bytes = 0, texts = 0, images = 0, timers = 0, key_hooks = 0,
         gui_objects = 0, books = 0, tag_readers = 0, files = 0, modules = 0;
  std::string summary() const;
  bool all_zero() const;
  bool operator==(const ResourceCounts&) const = default;
};

class Phone {
 public:
  explicit Phone(Options options);
  ~Phone();
  Phone(const Phone&) = delete;
  Phone& operator=(const Phone&) = delete;

  const Options& options() const { return options_; }

  Arena& arena() { return *arena_; }
  Memory& memory() { return *memory_; }
  EventQueue& queue() { return *queue_; }
  Trace& trace() { return *trace_; }
  FileSystem& files() { return *files_; }
  TextStore& texts() { return *texts_; }
  ImageStore& images() { return *images_; }
  Fonts& fonts() { return *fonts_; }
  Screen& screen() { return *screen_; }
  GuiManager& gui() { return *gui_; }
  Books& books() { return *books_; }
  Timers& timers() { return *timers_; }
  Keys& keys() { return *keys_; }
  Messages& messages() { return *messages_; }
  TagReader& tags() { return *tags_; }
  MediaPlayer& player() { return *player_; }
  Loader& loader() { return *loader_; }
  ServiceTable& services() { return *services_; }
  SharedMemory& shared();
  AddonRuntime& runtime() { return *runtime_; }

  // Starts a copy of the add-on (a queued task, run now); returns its entry point's result.
  int start_addon();
  // Delivers a page event (a firmware code) to every book, as a queued task run now.
  void send_event(uint32_t code, void* data);
  ResourceCounts counts() const;

 private:
  void build();
  void after_task();

  Options options_;
  // Declaration order is construction order; later members may use earlier ones.
  std::unique_ptr<Trace> trace_;
  std::unique_ptr<Arena> arena_;
  std::unique_ptr<AddonRuntime> runtime_;
  std::unique_ptr<Memory> memory_;
  std::unique_ptr<EventQueue> queue_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<TextStore> texts_;
  std::unique_ptr<ImageStore> images_;
  std::unique_ptr<Fonts> fonts_;
  std::unique_ptr<Screen> screen_;
  std::unique_ptr<GuiManager> gui_;
  std::unique_ptr<Books> books_;
  std::unique_ptr<Timers> timers_;
  std::unique_ptr<Keys> keys_;
  std::unique_ptr<Messages> messages_;
  std::unique_ptr<TagReader> tags_;
  std::unique_ptr<MediaPlayer> player_;
  std::unique_ptr<ServiceTable> services_;
  std::unique_ptr<Loader> loader_;
};

// The phone alive now; services reach their subsystems through it.
Phone& phone();

}  // namespace host
