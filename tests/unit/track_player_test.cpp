// Reading the media player's book, telling track changes apart, and the play-time tick.
#include "track_fixture.h"

namespace track_test {
namespace {

std::u16string U(const std::string& s) { return host::utf8_to_utf16(s); }

TEST_F(TrackTest, ReadsTheSecondLayoutFromThePlayersBook) {
  fs::path a = WriteTrack("a.mp3", 3), b = WriteTrack("b.mp3", 5), c = WriteTrack("c.mp3", 2);
  phone_->player().start(std::vector<fs::path>{a, b, c});
  phone_->player().next();

  TRACK_DESC* td = TrackDesc_Get(FindPlayerBook());
  ASSERT_NE(td, nullptr);
  EXPECT_EQ(std::u16string(td->path), phone_->player().phone_folder(1));
  EXPECT_EQ(std::u16string(td->name), u"b.mp3");
  EXPECT_EQ(td->fulltime, phone_->player().now_playing().length);
  EXPECT_EQ(td->fulltime, 5);
  EXPECT_EQ(td->tracknum, 2);
  EXPECT_EQ(td->trackcount, 3);
  TrackDesc_Free(td);
}

TEST_F(TrackTest, ReadsTheFirstLayoutInBothOfItsForms) {
  for (uint32_t id : {0x7100u, 0x8000u, 0x8040u}) {
    SCOPED_TRACE(id);
    StartPhone(id);
    fs::path a = WriteTrack("a.mp3", 2), b = WriteTrack("b.mp3", 3);
    phone_->player().start(std::vector<fs::path>{a, b});
    phone_->player().next();
    for (bool fallback : {false, true}) {
      SCOPED_TRACE(fallback);
      phone_->player().set_layout_forms({fallback, fallback});
      TRACK_DESC* td = TrackDesc_Get(FindPlayerBook());
      ASSERT_NE(td, nullptr);
      EXPECT_EQ(std::u16string(td->name), u"b.mp3");
      EXPECT_EQ(td->fulltime, 3);
      EXPECT_EQ(td->tracknum, 2);
      EXPECT_EQ(td->trackcount, 2);
      TrackDesc_Free(td);
    }
  }
}

TEST_F(TrackTest, FirstLayoutIndexFieldsAroundTheLimit) {
  StartPhone(0x8000);
  HandBook hb = UseHandBook(u"/card/Music", u"x.mp3", 60, 10000, 20000);
  host::phone().arena().write16(hb.image + host::player_book::kFirstIndexFallback, 7);
  TRACK_DESC* td = TrackDesc_Get(hb.book);
  ASSERT_NE(td, nullptr);
  EXPECT_EQ(td->tracknum, 10001);  // 10000 still lies in the first field
  EXPECT_EQ(td->trackcount, 20000);
  TrackDesc_Free(td);

  host::phone().arena().write16(hb.image + host::player_book::kFirstIndex, 10001);
  td = TrackDesc_Get(hb.book);
  ASSERT_NE(td, nullptr);
  EXPECT_EQ(td->tracknum, 8);
  TrackDesc_Free(td);
}

TEST_F(TrackTest, NoDescriptionWithoutBookKnownLayoutOrRecord) {
  EXPECT_EQ(TrackDesc_Get(nullptr), nullptr);
  HandBook hb = UseHandBook(u"/card/Music", u"x.mp3", 60);
  host::phone().arena().write32(hb.image + host::player_book::kSecondRecord, 0);  // between tracks
  EXPECT_EQ(TrackDesc_Get(hb.book), nullptr);
  // A record whose name is unreadable: no address, or a string that runs to the end of memory.
  host::Arena& a = host::phone().arena();
  for (FwAddr name : {FwAddr(0), FwAddr(a.size() - 2)}) {
    HandBook bad = UseHandBook(u"/card/Music", u"x.mp3", 60);
    a.write16(a.size() - 2, u'x');
    a.write32(bad.record + host::player_book::kRecordName, name);
    EXPECT_EQ(TrackDesc_Get(bad.book), nullptr) << "name at " << name;
  }

  StartPhone(0x1234);
  HandBook other = UseHandBook(u"/card/Music", u"x.mp3", 60);
  EXPECT_EQ(TrackDesc_Get(other.book), nullptr);
  // The track event then reads nothing and labels nothing.
  EXPECT_EQ(UpdateMP3Info(nullptr, nullptr), 1);
  EXPECT_EQ(currenttrack, nullptr);
  EXPECT_EQ(play, 0);
  EXPECT_EQ(phone_->texts().live(), 0u);
}

TEST_F(TrackTest, CompareLooksAtFolderNameAndLengthOnly) {
  auto make = [](const char16_t* path, const char16_t* name, int len, int num, int count) {
    TRACK_DESC* t = new TRACK_DESC{};
    t->path = new char16_t[64];
    t->name = new char16_t[64];
    fw_wstrcpy(t->path, path);
    fw_wstrcpy(t->name, name);
    t->fulltime = len;
    t->tracknum = num;
    t->trackcount = count;
    return t;
  };
  TRACK_DESC* a = make(u"/card/Music", u"a.mp3", 100, 1, 5);
  TRACK_DESC* moved = make(u"/card/Music", u"a.mp3", 100, 4, 9);
  TRACK_DESC* other_folder = make(u"/card/Other", u"a.mp3", 100, 1, 5);
  TRACK_DESC* other_name = make(u"/card/Music", u"b.mp3", 100, 1, 5);
  TRACK_DESC* other_length = make(u"/card/Music", u"a.mp3", 101, 1, 5);
  EXPECT_EQ(TrackDesc_Compare(a, moved), 1);
  EXPECT_EQ(TrackDesc_Compare(a, other_folder), 0);
  EXPECT_EQ(TrackDesc_Compare(a, other_name), 0);
  EXPECT_EQ(TrackDesc_Compare(a, other_length), 0);
  EXPECT_EQ(TrackDesc_Compare(a, nullptr), 0);
  EXPECT_EQ(TrackDesc_Compare(nullptr, a), 0);
  EXPECT_EQ(TrackDesc_Compare(nullptr, nullptr), 0);
  for (TRACK_DESC* t : {a, moved, other_folder, other_name, other_length}) TrackDesc_Free(t);
  TrackDesc_Free(nullptr);
}

TEST_F(TrackTest, SameTrackElsewhereInTheListKeepsItsDataButTakesTheNewPlace) {
  fs::path a = WriteTrack("a.mp3", 2), b = WriteTrack("b.mp3", 3), c = WriteTrack("c.mp3", 4);
  tags_.by_name[u"a.mp3"].text[1] = u"Song A";
  phone_->player().start(std::vector<fs::path>{a, b});
  EXPECT_EQ(UpdateMP3Info(nullptr, nullptr), 1);
  ASSERT_NE(currenttrack, nullptr);
  EXPECT_EQ(play, 1);
  EXPECT_EQ(tags_.opens, 1);
  EXPECT_EQ(Label(LABEL_TITLE), "Song A");
  TRACK_DESC* first = currenttrack;

  // A longer list with the same track first: no tag, cover or stream read, the count follows.
  phone_->player().start(std::vector<fs::path>{a, b, c});
  play = 0;
  phone_->trace().clear();
  UpdateMP3Info(nullptr, nullptr);
  EXPECT_EQ(currenttrack, first);
  EXPECT_EQ(play, 1);
  EXPECT_EQ(tags_.opens, 1);
  EXPECT_EQ(CountTrace("fw_image_load("), 0u);
  EXPECT_EQ(CountTrace("fw_file_open("), 0u);
  EXPECT_EQ(currenttrack->tracknum, 1);
  EXPECT_EQ(currenttrack->trackcount, 3);
  EXPECT_EQ(Label(LABEL_TITLE), "Song A");

  // The same track at another position: the list changes under it without a track between.
  phone_->player().start(std::vector<fs::path>{c, b, a});
  phone_->player().prev();  // a, third of three
  ASSERT_EQ(phone_->player().now_playing().index, 2);
  UpdateMP3Info(nullptr, nullptr);
  EXPECT_EQ(currenttrack, first);
  EXPECT_EQ(tags_.opens, 1);
  EXPECT_EQ(currenttrack->tracknum, 3);
  EXPECT_EQ(currenttrack->trackcount, 3);

  BuildTrackNumberLabel();
  EXPECT_EQ(Label(LABEL_TRACKCOUNT), "3/3");
  ReleaseTrackNumberLabel();
}

TEST_F(TrackTest, SameNameInAnotherFolderIsANewTrack) {
  fs::path a = WriteTrack("song.mp3", 2);
  fs::path b = WriteTrack("song.mp3", 2, {}, music_ / "Other");
  phone_->player().start(std::vector<fs::path>{a, b});
  UpdateMP3Info(nullptr, nullptr);
  phone_->player().next();
  UpdateMP3Info(nullptr, nullptr);
  EXPECT_EQ(tags_.opens, 2);
  EXPECT_EQ(std::u16string(currenttrack->path), phone_->player().phone_folder(1));
  EXPECT_EQ(mdata->path, currenttrack->path);
  EXPECT_EQ(mdata->name, currenttrack->name);
}

TEST_F(TrackTest, PlayerNotRunningChangesNothing) {
  ReInit();
  EXPECT_EQ(currenttrack, nullptr);
  EXPECT_EQ(play, 0);
  EXPECT_EQ(UpdateMP3Info(nullptr, nullptr), 1);
  Tick(0, 0, 5);
  EXPECT_EQ(TextID[LABEL_CURTIME], 0u);
  EXPECT_EQ(buff[1], nullptr);
  EXPECT_EQ(buff[2], nullptr);
  EXPECT_EQ(phone_->texts().live(), 0u);
}

TEST_F(TrackTest, HourLongElapsedTimeCountsOnInMinutes) {
  UseHandBook(U("/card/Music"), u"long.mp3", 4000);
  WriteTrack("long.mp3", 1);
  UpdateMP3Info(nullptr, nullptr);
  EXPECT_EQ(Label(LABEL_LENGHT), "66:40");

  phone_->trace().clear();
  Tick(1, 2, 3);
  EXPECT_EQ(mdata->curtime, 3723);
  EXPECT_EQ(mdata->cursec, 3);
  EXPECT_EQ(ostmin, 4);
  EXPECT_EQ(ostsec, 37);
  EXPECT_EQ(Label(LABEL_CURTIME), "62:03");
  EXPECT_EQ(Label(LABEL_OSTTIME), "-04:37");
  EXPECT_TRUE(Traced("fw_text_from_wstr(\"62:03\", 0, 65535)"));
  EXPECT_TRUE(Traced("fw_text_from_wstr(\"-04:37\", 0, 65535)"));
  EXPECT_EQ(CountTrace("fw_format_wstr("), 2u);
  // Remaining is built before elapsed, each from its own buffer.
  EXPECT_NE(buff[1], nullptr);
  EXPECT_NE(buff[2], nullptr);
}

TEST_F(TrackTest, EveryTickReplacesBothTimeLabels) {
  UseHandBook(u"/card/Music", u"t.mp3", 125);
  WriteTrack("t.mp3", 1);
  UpdateMP3Info(nullptr, nullptr);
  size_t base = phone_->texts().live();
  Tick(0, 0, 0);
  EXPECT_EQ(Label(LABEL_OSTTIME), "-02:05");
  EXPECT_EQ(Label(LABEL_CURTIME), "00:00");
  TEXTID old9 = TextID[LABEL_CURTIME], old10 = TextID[LABEL_OSTTIME];
  phone_->trace().clear();
  Tick(0, 0, 1);
  EXPECT_EQ(phone_->texts().live(), base + 2);
  EXPECT_EQ(phone_->texts().get(old9), nullptr);
  EXPECT_EQ(phone_->texts().get(old10), nullptr);
  // Slot 9 then slot 10 are released before anything new is made.
  const auto& lines = phone_->trace().lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "fw_find_book(ptr)") << lines[0];
  EXPECT_TRUE(Traced("fw_text_free(" + std::to_string(old9) + ")"));
  EXPECT_TRUE(Traced("fw_text_free(" + std::to_string(old10) + ")"));
  EXPECT_EQ(Label(LABEL_OSTTIME), "-02:04");
  EXPECT_EQ(Label(LABEL_CURTIME), "00:01");
}

TEST_F(TrackTest, PositionPastTheEndShowsNothingRemaining) {
  UseHandBook(u"/card/Music", u"t.mp3", 100);
  WriteTrack("t.mp3", 1);
  UpdateMP3Info(nullptr, nullptr);
  Tick(0, 2, 55);  // 175 s of a 100 s track
  EXPECT_EQ(mdata->curtime, 175);
  EXPECT_EQ(Label(LABEL_OSTTIME), "-00:00");
  EXPECT_EQ(Label(LABEL_CURTIME), "02:55");
  Tick(0, 1, 40);  // exactly the end
  EXPECT_EQ(Label(LABEL_OSTTIME), "-00:00");
  Tick(0, 1, 39);
  EXPECT_EQ(Label(LABEL_OSTTIME), "-00:01");
}

TEST_F(TrackTest, TickBeforeAnyTrackShowsElapsedOnly) {
  HandBook hb = UseHandBook(u"/card/Music", u"t.mp3", 100);
  host::phone().arena().write32(hb.image + host::player_book::kSecondRecord, 0);  // the player has no track yet
  UpdateMP3Info(nullptr, nullptr);
  EXPECT_EQ(currenttrack, nullptr);
  Tick(0, 0, 7);
  EXPECT_EQ(Label(LABEL_CURTIME), "00:07");
  EXPECT_EQ(TextID[LABEL_OSTTIME], 0u);
  EXPECT_EQ(buff[1], nullptr);
  EXPECT_EQ(ostmin, 0);
  EXPECT_EQ(ostsec, 0);
}

TEST_F(TrackTest, PlayerClosedWhileHiddenChangesNothing) {
  PanelRun = 0;
  onHidePanel = 0;
  EXPECT_EQ(PlayerClose(nullptr, nullptr), 1);
  EXPECT_EQ(onHidePanel, 0);
  // Shown after a pause from the panel: left in place once, then hidden by the next notice.
  PanelRun = 1;
  NoFullKill = 0;
  EXPECT_EQ(PlayerClose(nullptr, nullptr), 1);
  EXPECT_EQ(onHidePanel, 1);
  EXPECT_EQ(NoFullKill, 0);
  PanelRun = 0;
}

}  // namespace
}  // namespace track_test
