// A phone with the add-on's track monitor and labels wired to it directly (no loaded module):
// the add-on's globals are reachable, the media player supplies a real book, and the tag reader
// can be replaced by a scripted one.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "addon_state.h"
#include "core/arena.h"
#include "core/books.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "core/text_store.h"
#include "core/trace.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "images/image_store.h"
#include "mp3w/mp3_writer.h"
#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "player/player_book_layout.h"
#include "shell/app.h"
#include "track/metadata.h"
#include "track/track.h"

namespace track_test {

namespace fs = std::filesystem;

// A tag the scripted reader hands out for a file name.
struct FakeTag {
  std::map<int, std::u16string> text;  // tag id -> text
  bool has_picture = false;
  uint8_t type = 2;
  int size = 0;
  int offset = 0;
};

// The scripted tag reader: one handle per open, tags looked up by the file name.
struct FakeTags {
  std::map<std::u16string, FakeTag> by_name;
  std::map<FwHandle, std::u16string> open;  // handle -> file name
  FwHandle next = 100;
  int opens = 0;
  int reads = 0;  // tag and picture questions
};
inline FakeTags* g_tags = nullptr;

inline FwHandle FakeOpen(const char16_t*, const char16_t* name) {
  ++g_tags->opens;
  FwHandle h = g_tags->next++;
  g_tags->open[h] = name ? std::u16string(name) : std::u16string();
  return h;
}
inline void FakeClose(FwHandle h) { g_tags->open.erase(h); }
inline const char16_t* FakeGetTag(FwHandle h, int tag) {
  ++g_tags->reads;
  auto o = g_tags->open.find(h);
  if (o == g_tags->open.end()) return nullptr;
  auto t = g_tags->by_name.find(o->second);
  if (t == g_tags->by_name.end()) return nullptr;
  auto s = t->second.text.find(tag);
  return s == t->second.text.end() ? nullptr : s->second.c_str();
}
inline int FakeGetCover(FwHandle h, uint8_t* type, int* size, int* offset) {
  ++g_tags->reads;
  auto o = g_tags->open.find(h);
  if (o == g_tags->open.end()) return 0;
  auto t = g_tags->by_name.find(o->second);
  if (t == g_tags->by_name.end() || !t->second.has_picture) return 0;
  *type = t->second.type;
  *size = t->second.size;
  *offset = t->second.offset;
  return 1;
}

// In this test program the add-on's pieces allocate with the ordinary operator new, not the
// firmware allocator, so a picture buffer cannot be handed to the phone's image store: this
// stand-in decodes a copy and releases the buffer as the add-on allocated it.
inline int FromBufferCopy(void* buf, int size, int, const char16_t* type, IMAGEID* id) {
  host::phone().trace().call("fw_image_from_buffer", buf, size, 0, type, id);
  *id = NOIMAGE;
  std::optional<host::Image> image;
  if (type && buf && size > 0) image = host::decode_image(static_cast<uint8_t*>(buf), size_t(size));
  delete[] static_cast<uint8_t*>(buf);
  if (!image) return -1;
  *id = host::phone().images().add(std::move(*image));
  return *id == NOIMAGE ? -1 : 0;
}

// A 24-bit BMP of w x h pixels.
inline mp3w::Bytes tiny_bmp(int w, int h) {
  int row = (w * 3 + 3) & ~3;
  uint32_t data = uint32_t(row * h), file = 54 + data;
  mp3w::Bytes b(file, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, file);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  b[26] = 1;
  b[28] = 24;
  put32(34, data);
  for (size_t i = 54; i < b.size(); ++i) b[i] = uint8_t(i * 7);
  return b;
}

// A player book laid out by hand in firmware memory, for layouts and values the phone's player
// does not produce; the player-book test is pointed at it.
inline BOOK* g_fake_player = nullptr;
inline int IsFakePlayer(BOOK* b) { return b != nullptr && b == g_fake_player ? 1 : 0; }
inline BookPredicate FakePlayerPredicate() { return &IsFakePlayer; }

struct HandBook {
  BOOK* book = nullptr;
  FwAddr image = 0, record = 0;
};

// Book image and current-track record for `platform_id`'s layout.
inline HandBook MakeHandBook(uint32_t platform_id, const std::u16string& folder,
                             const std::u16string& name, int32_t length, uint16_t index,
                             uint32_t count) {
  host::Arena& a = host::phone().arena();
  HandBook hb;
  hb.image = a.alloc(0x100);
  hb.record = a.alloc(0x20);
  namespace pb = host::player_book;
  a.write32(hb.record + pb::kRecordFolder, a.alloc_wstr(folder));
  a.write32(hb.record + pb::kRecordName, a.alloc_wstr(name));
  a.write32(hb.record + pb::kRecordLength, uint32_t(length));
  a.write32(hb.image + pb::record_offset(platform_id), hb.record);
  if (pb::first_layout(platform_id)) {
    a.write16(hb.image + pb::kFirstCount, uint16_t(count));
    a.write16(hb.image + pb::kFirstIndex, index);
  } else {
    a.write32(hb.image + pb::kSecondCount, count);
    a.write16(hb.image + pb::kSecondIndex, index);
  }
  hb.book = host::phone().books().create_firmware_book("HandPlayer", hb.image);
  return hb;
}

inline void SetTickTime(FwPlayTimerEvent& ev, int h, int m, int s) {
  std::memset(ev.raw, 0, sizeof ev.raw);
  std::memcpy(ev.raw + 0x24, &h, 4);
  std::memcpy(ev.raw + 0x28, &m, 4);
  std::memcpy(ev.raw + 0x2C, &s, 4);
}

class TrackTest : public ::testing::Test {
 protected:
  void SetUp() override { StartPhone(0x9900); }

  void TearDown() override {
    ReleaseAddon();
    phone_.reset();
    g_tags = nullptr;
    g_fake_player = nullptr;
  }

  void StartPhone(uint32_t platform_id) {
    if (phone_) {
      ReleaseAddon();
      phone_.reset();
    }
    ResetAddOnGlobals();
    host::Options o;
    o.platform_id = platform_id;
    phone_ = std::make_unique<host::Phone>(o);
    fw_services = phone_->services().table();
    phone_->trace().capture(true);
    tags_ = FakeTags{};
    g_tags = &tags_;
    host::ServiceTable& s = phone_->services();
    s.replace<host::service::fw_metadata_open>(&FakeOpen);
    s.replace<host::service::fw_metadata_close>(&FakeClose);
    s.replace<host::service::fw_metadata_get_tag>(&FakeGetTag);
    s.replace<host::service::fw_metadata_get_cover>(&FakeGetCover);
    s.replace<host::service::fw_image_from_buffer>(&FromBufferCopy);

    music_ = phone_->files().root() / "Music";
    fs::create_directories(music_);
    // The program's folder with its own no-cover picture.
    std::u16string own = std::u16string(fw_get_dir(DIR_CONFIG_2)) + u"/TuneStrip";
    dir = new char16_t[DIR_CHARS];
    std::fill(dir, dir + DIR_CHARS, u'\0');
    std::copy(own.begin(), own.end(), dir);
    auto own_path = phone_->files().resolve(own, u"NoCover.png", true);
    mp3w::write_file(*own_path, mp3w::tiny_png(2, 2));

    mdata = new METADATA{};
  }

  // Makes a hand-laid book the player book that the add-on finds.
  HandBook UseHandBook(const std::u16string& folder, const std::u16string& name, int32_t length,
                       uint16_t index = 0, uint32_t count = 1) {
    HandBook hb = MakeHandBook(phone_->options().platform_id, folder, name, length, index, count);
    g_fake_player = hb.book;
    phone_->services().replace<host::service::fw_player_book_predicate>(&FakePlayerPredicate);
    return hb;
  }

  // Releases what the add-on's pieces hold, before the phone goes.
  void ReleaseAddon() {
    ReleaseTrackNumberLabel();
    ReleaseAllLabels();
    std::fill(std::begin(TextID), std::end(TextID), TEXTID(0));
    TrackDesc_Free(currenttrack);
    currenttrack = nullptr;
    if (mdata) {
      if (mdata->handle) fw_metadata_close(mdata->handle);
      delete mdata;
      mdata = nullptr;
    }
    fw_image_free(BufferIMG);
    delete[] dir;
    dir = nullptr;
  }

  // A file of `seconds` of silence (MPEG-1 Layer III, 128 kbit/s, 44100 Hz) with `head` before
  // the frames.
  fs::path WriteTrack(const std::string& name, int seconds, const mp3w::Bytes& head = {},
                      const fs::path& folder = {}) {
    mp3w::Frame f;
    int count = seconds * 44100 / 1152 + 1;
    fs::path dirp = folder.empty() ? music_ : folder;
    fs::create_directories(dirp);
    fs::path p = dirp / name;
    mp3w::write_file(p, mp3w::join({head, mp3w::frames(f, count)}));
    return p;
  }

  std::u16string Text(TEXTID id) const {
    const std::u16string* s = phone_->texts().get(id);
    return s ? *s : std::u16string(u"<none>");
  }
  std::string Label(int slot) const { return host::utf16_to_utf8(Text(TextID[slot])); }

  size_t CountTrace(const std::string& prefix) const {
    const auto& lines = phone_->trace().lines();
    return size_t(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
  bool Traced(const std::string& line) const {
    const auto& lines = phone_->trace().lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  void Tick(int h, int m, int s) {
    FwPlayTimerEvent ev;
    SetTickTime(ev, h, m, s);
    CABook_onPlayTimer(&ev, nullptr);
  }

  // The image now in BufferIMG, or null.
  const host::Image* Cover() const { return phone_->images().get(BufferIMG); }

  std::unique_ptr<host::Phone> phone_;
  FakeTags tags_;
  fs::path music_;
};

}  // namespace track_test
