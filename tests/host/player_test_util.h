// Helpers of the media player's tests: a temporary music folder, silent MP3 files and a listener
// book that records every media player event the way an add-on's page would receive it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/books.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "files/file_system.h"
#include "mp3w/mp3_writer.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "test_phone.h"

namespace player_test {

namespace fs = std::filesystem;

using ts::TempDir;

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz: 1152 samples a frame.
inline mp3w::Frame cbr_frame() { return mp3w::Frame{}; }

// A silent MP3 of at least `ms` milliseconds (whole frames) at 128 kbit/s, 44100 Hz; returns
// the exact length in ms as libmpg123 counts it (frames × 1152 × 1000 / 44100, truncated).
inline int64_t write_silent_mp3(const fs::path& file, int64_t ms, const mp3w::Bytes& tag = {}) {
  int count = int((ms * 44100 + 1152 * 1000 - 1) / (1152 * 1000));
  fs::create_directories(file.parent_path());
  mp3w::write_file(file, mp3w::join({tag, mp3w::frames(cbr_frame(), count)}));
  return int64_t(count) * 1152 * 1000 / 44100;
}

inline void touch(const fs::path& file, const std::string& text = "x") {
  fs::create_directories(file.parent_path());
  mp3w::write_file(file, mp3w::Bytes(text.begin(), text.end()));
}

// One event as a listening book saw it.
struct Heard {
  int64_t at = 0;              // virtual time
  uint32_t code = 0;
  int hours = -1, minutes = -1, seconds = -1;  // play-timer fields
  bool player_found = false;   // the player's book was findable during the handler
  int depth = 0;               // handlers on the stack, this one included
};

inline std::vector<Heard> g_heard;
inline int g_depth = 0;
// Runs inside the handler of the given event, when set (tests of calls made from handlers).
inline uint32_t g_hook_code = 0;
inline void (*g_hook)() = nullptr;

template <uint32_t Code>
int on_event(void* data, BOOK*) {
  ++g_depth;
  Heard h;
  h.at = host::phone().queue().now();
  h.code = Code;
  h.depth = g_depth;
  h.player_found = host::phone().books().find(host::svc::fw_player_book_predicate()) != nullptr;
  if (Code == host::codes::MEDIAPLAYER_PLAY_TIMER) {
    const auto* rec = static_cast<const uint8_t*>(data);
    std::memcpy(&h.hours, rec + 0x24, 4);
    std::memcpy(&h.minutes, rec + 0x28, 4);
    std::memcpy(&h.seconds, rec + 0x2C, 4);
  }
  g_heard.push_back(h);
  if (g_hook && g_hook_code == Code) g_hook();
  --g_depth;
  return 1;
}

inline const PAGE_MSG kListenerMsgs[] = {
    {host::codes::MEDIAPLAYER_PLAY, &on_event<host::codes::MEDIAPLAYER_PLAY>},
    {host::codes::MEDIAPLAYER_TRACK, &on_event<host::codes::MEDIAPLAYER_TRACK>},
    {host::codes::MEDIAPLAYER_CLOSED, &on_event<host::codes::MEDIAPLAYER_CLOSED>},
    {host::codes::MEDIAPLAYER_PLAY_TIMER, &on_event<host::codes::MEDIAPLAYER_PLAY_TIMER>},
    {0, nullptr},
};
inline const PAGE_DESC kListenerPage = {"Listener", 0, kListenerMsgs};

// A phone with a listening book; the platform id is a parameter of the phone.
class PlayerTest : public ::testing::Test {
 protected:
  explicit PlayerTest(uint32_t platform_id = 0x9900) : PlayerTest(options(platform_id)) {}
  explicit PlayerTest(const host::Options& options) : phone_(options) {
    g_heard.clear();
    g_depth = 0;
    g_hook = nullptr;
    g_hook_code = 0;
    listener_ = static_cast<BOOK*>(phone_.memory().alloc(sizeof(BOOK)));
    phone_.books().create(listener_, nullptr, &kListenerPage, "Listener");
  }
  ~PlayerTest() override {
    g_hook = nullptr;
    if (phone_.books().is_live(listener_)) phone_.books().free(listener_);
  }

  static host::Options options(uint32_t platform_id) {
    host::Options o;
    o.platform_id = platform_id;
    return o;
  }

  host::MediaPlayer& player() { return phone_.player(); }
  host::EventQueue& queue() { return phone_.queue(); }
  void run_for(int64_t ms) { phone_.queue().run_for(ms); }
  void settle() { phone_.queue().settle(); }

  std::vector<uint32_t> codes_heard() const {
    std::vector<uint32_t> out;
    for (const Heard& h : g_heard) out.push_back(h.code);
    return out;
  }
  std::vector<Heard> ticks() const {
    std::vector<Heard> out;
    for (const Heard& h : g_heard)
      if (h.code == host::codes::MEDIAPLAYER_PLAY_TIMER) out.push_back(h);
    return out;
  }

  TempDir music_;
  host::Phone phone_;
  BOOK* listener_ = nullptr;
};

}  // namespace player_test
