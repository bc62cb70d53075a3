// The player's book in firmware memory: both layouts, their fallback forms, the current-track
// record and the services that find the book and tell the platform.
#include <gtest/gtest.h>

#include "core/arena.h"
#include "core/wstr.h"
#include "player/player_book_layout.h"
#include "player_test_util.h"

namespace player_test {
namespace {

namespace pb = host::player_book;

std::u16string wstr_at(host::Arena& a, FwAddr addr) {
  std::u16string s;
  for (FwAddr p = addr; a.read16(p) != 0; p += 2) s.push_back(char16_t(a.read16(p)));
  return s;
}

// The track as an add-on reads it from the book.
struct Seen {
  std::u16string folder, name;
  uint32_t length = 0;
  uint32_t index = 0, count = 0;
};

class PlayerBookLayout : public PlayerTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  PlayerBookLayout() : PlayerTest(GetParam()) {}
  bool first_layout() const { return pb::first_layout(GetParam()); }

  Seen seen() {
    host::Arena& a = phone_.arena();
    FwAddr book = player().book()->addr;
    Seen s;
    FwAddr rec = a.read32(book + pb::record_offset(GetParam()));
    EXPECT_NE(rec, 0u);
    s.folder = wstr_at(a, a.read32(rec + pb::kRecordFolder));
    s.name = wstr_at(a, a.read32(rec + pb::kRecordName));
    s.length = a.read32(rec + pb::kRecordLength);
    if (first_layout()) {
      s.count = a.read16(book + pb::kFirstCount) ? a.read16(book + pb::kFirstCount)
                                                 : a.read16(book + pb::kFirstCountFallback);
      uint16_t i = a.read16(book + pb::kFirstIndex);
      s.index = i < pb::kFirstIndexLimit ? i : a.read16(book + pb::kFirstIndexFallback);
    } else {
      s.count = a.read32(book + pb::kSecondCount);
      s.index = a.read16(book + pb::kSecondIndex);
    }
    return s;
  }
};

TEST_P(PlayerBookLayout, RecordAndListFieldsFollowTheTrack) {
  write_silent_mp3(music_ / "Альбом/01 Первая.mp3", 3000);
  write_silent_mp3(music_ / "Альбом/02.mp3", 2000);
  write_silent_mp3(music_ / "Альбом/03 a much longer file name than the others.mp3", 4000);
  player().start(music_.path());
  ASSERT_NE(player().book(), nullptr);
  EXPECT_EQ(player().book()->addr, player().book_addr());

  Seen s = seen();
  EXPECT_EQ(s.folder, u"/card/Music/Альбом");
  EXPECT_EQ(s.name, u"01 Первая.mp3");
  EXPECT_EQ(s.length, 3u);
  EXPECT_EQ(s.index, 0u);
  EXPECT_EQ(s.count, 3u);

  player().next();
  player().next();
  s = seen();
  EXPECT_EQ(s.name, u"03 a much longer file name than the others.mp3");
  EXPECT_EQ(s.length, 4u);
  EXPECT_EQ(s.index, 2u);

  player().next();  // wraps round; the shorter name must not keep the longer one's tail
  s = seen();
  EXPECT_EQ(s.name, u"01 Первая.mp3");
  EXPECT_EQ(s.index, 0u);

  player().prev();
  EXPECT_EQ(seen().index, 2u);

  FwAddr book = player().book_addr();
  player().close();
  EXPECT_EQ(player().book(), nullptr);
  EXPECT_EQ(phone_.arena().read32(book + pb::record_offset(GetParam())), 0u);
  EXPECT_EQ(player().track_record(), 0u);
}

TEST_P(PlayerBookLayout, ExactBytes) {
  write_silent_mp3(music_ / "a.mp3", 1000);
  write_silent_mp3(music_ / "b.mp3", 1000);
  player().start(music_.path());
  player().next();
  host::Arena& a = phone_.arena();
  FwAddr book = player().book_addr();
  if (first_layout()) {
    EXPECT_EQ(a.read32(book + 0x74), 0u);
    EXPECT_EQ(a.read32(book + 0x6C), player().track_record());
    EXPECT_EQ(a.read16(book + 0x80), 2u);
    EXPECT_EQ(a.read16(book + 0x84), 0u);
    EXPECT_EQ(a.read16(book + 0x5C), 1u);
  } else {
    EXPECT_EQ(a.read32(book + 0x6C), 0u);
    EXPECT_EQ(a.read32(book + 0x74), player().track_record());
    EXPECT_EQ(a.read32(book + 0x94), 2u);
    EXPECT_EQ(a.read16(book + 0x7A), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Ids, PlayerBookLayout, ::testing::Values(0x7100u, 0x8000u, 0x8040u, 0x9900u),
                         [](const auto& info) {
                           char buf[16];
                           std::snprintf(buf, sizeof buf, "id%X", info.param);
                           return std::string(buf);
                         });

class PlayerFirstLayout : public PlayerTest {
 protected:
  PlayerFirstLayout() : PlayerTest(0x8000) {}
};

TEST_F(PlayerFirstLayout, CountOnlyAt0x84AndIndexAt0x72Forms) {
  write_silent_mp3(music_ / "a.mp3", 1000);
  write_silent_mp3(music_ / "b.mp3", 1000);
  write_silent_mp3(music_ / "c.mp3", 1000);
  player().start(music_.path());
  player().next();
  player().set_layout_forms({.count_at_0x84_only = true, .index_at_0x72 = true});
  host::Arena& a = phone_.arena();
  FwAddr book = player().book_addr();
  EXPECT_EQ(a.read16(book + 0x80), 0u);
  EXPECT_EQ(a.read16(book + 0x84), 3u);
  EXPECT_GT(a.read16(book + 0x5C), 10000u);
  EXPECT_EQ(a.read16(book + 0x72), 1u);
  player().next();
  EXPECT_EQ(a.read16(book + 0x72), 2u);
  EXPECT_EQ(a.read16(book + 0x84), 3u);

  player().set_layout_forms({});
  EXPECT_EQ(a.read16(book + 0x80), 3u);
  EXPECT_EQ(a.read16(book + 0x84), 0u);
  EXPECT_EQ(a.read16(book + 0x5C), 2u);
}

TEST_F(PlayerFirstLayout, IndexAbove10000MovesTo0x72) {
  // A list may name one file many times; 10002 entries reach index 10001.
  write_silent_mp3(music_ / "a.mp3", 1000);
  player().start(std::vector<fs::path>(10002, music_ / "a.mp3"));
  host::Arena& a = phone_.arena();
  FwAddr book = player().book_addr();
  EXPECT_EQ(a.read16(book + 0x80), 10002u);
  player().prev();  // the last entry: index 10001
  EXPECT_GT(a.read16(book + 0x5C), 10000u);
  EXPECT_EQ(a.read16(book + 0x72), 10001u);
  player().prev();  // index 10000 still fits the first field
  EXPECT_EQ(a.read16(book + 0x5C), 10000u);
}

TEST_F(PlayerTest, ServicesFindTheBookAndTellThePlatform) {
  EXPECT_EQ(host::svc::fw_platform_id(), 0x9900);
  BookPredicate pred = host::svc::fw_player_book_predicate();
  ASSERT_NE(pred, nullptr);
  EXPECT_EQ(phone_.books().find(pred), nullptr);  // not running
  write_silent_mp3(music_ / "a.mp3", 1000);
  player().start(music_.path());
  EXPECT_EQ(phone_.books().find(pred), player().book());
  EXPECT_EQ(pred(listener_), 0);
  EXPECT_EQ(pred(nullptr), 0);
  EXPECT_STREQ(player().book()->xbook->name, "MediaPlayer");
  EXPECT_EQ(player().book()->xbook->book, player().book());
  player().close();
  EXPECT_EQ(phone_.books().find(pred), nullptr);
}

TEST_F(PlayerTest, FirmwareMemoryStaysBoundedOverAnHour) {
  // Short tracks of differing name lengths: an hour is hundreds of track changes and thousands
  // of ticks.
  write_silent_mp3(music_ / "a.mp3", 2000);
  write_silent_mp3(music_ / "a track with a rather long name.mp3", 3000);
  write_silent_mp3(music_ / "Sub/b.mp3", 2500);
  player().start(music_.path());
  run_for(10000);  // every track once
  uint32_t used = phone_.arena().used();
  size_t queued = queue().size();
  run_for(3600 * 1000);
  EXPECT_EQ(phone_.arena().used(), used);
  EXPECT_LE(queue().size(), queued + 1);
  EXPECT_GT(ticks().size(), 3000u);  // 7 of every 7.5 s
}

}  // namespace
}  // namespace player_test
