// The label texts: what each slot shows and how handles and buffers are replaced and released.
#include <cstdint>

#include "panel/render.h"
#include "shell/config/config.h"
#include "track_fixture.h"

namespace track_test {
namespace {

class LabelsTest : public TrackTest {
 protected:
  // A current track and tag record set by hand.
  void SetTrack(int32_t fulltime, int32_t num = 1, int32_t count = 1) {
    TrackDesc_Free(currenttrack);
    currenttrack = new TRACK_DESC{};
    currenttrack->path = new char16_t[16];
    currenttrack->name = new char16_t[16];
    fw_wstrcpy(currenttrack->path, u"/card/Music");
    fw_wstrcpy(currenttrack->name, u"t.mp3");
    currenttrack->fulltime = fulltime;
    currenttrack->tracknum = num;
    currenttrack->trackcount = count;
    mdata->title = u"Title";
    mdata->artist = u"Artist";
    mdata->album = nullptr;
    mdata->year = u"1999";
    mdata->genre = nullptr;
    mdata->info = MP3_INFO{};
    mdata->info.found = 1;
    mdata->info.bitrate = 128;
    mdata->info.frequency = 44100;
    mdata->info.mode = 1;
  }
};

TEST_F(LabelsTest, TrackLabelsShowTagsStreamDataAndLength) {
  SetTrack(4505);
  UpdateLabel();
  EXPECT_EQ(Label(LABEL_TITLE), "Title");
  EXPECT_EQ(Label(LABEL_ARTIST), "Artist");
  EXPECT_EQ(Label(LABEL_ALBUM), "");  // absent tags are empty texts
  EXPECT_EQ(Label(LABEL_YEAR), "1999");
  EXPECT_EQ(Label(LABEL_GENRE), "");
  EXPECT_EQ(Label(LABEL_BITRATE), "128");
  EXPECT_EQ(Label(LABEL_FREQ), "44100");
  EXPECT_EQ(Label(LABEL_CHANEL), "Joint Stereo");
  EXPECT_EQ(Label(LABEL_LENGHT), "75:05");
  EXPECT_EQ(fullmin, 75);
  EXPECT_EQ(fullsec, 5);
  EXPECT_EQ(phone_->texts().live(), 9u);
  EXPECT_TRUE(Traced("fw_text_from_int(44100)"));
  EXPECT_TRUE(Traced("fw_text_from_wstr(\"75:05\", 0, 65535)"));
  // Slots 9 to 11 belong to the tick and the redraw.
  EXPECT_EQ(TextID[LABEL_CURTIME], 0u);
  EXPECT_EQ(TextID[LABEL_TRACKCOUNT], 0u);
}

TEST_F(LabelsTest, LengthsAndChannelModes) {
  struct { int32_t len; const char* text; } lengths[] = {
      {59, "00:59"}, {3600, "60:00"}, {0, "00:00"}, {61, "01:01"}};
  for (auto& l : lengths) {
    SetTrack(l.len);
    UpdateLabel();
    EXPECT_EQ(Label(LABEL_LENGHT), l.text);
  }
  const char* modes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
  for (int m = 0; m < 4; ++m) {
    SetTrack(10);
    mdata->info.mode = m;
    UpdateLabel();
    EXPECT_EQ(Label(LABEL_CHANEL), modes[m]);
  }
  EXPECT_EQ(phone_->texts().live(), 9u);
}

TEST_F(LabelsTest, NoFrameHeaderLeavesTheStreamLabelsEmpty) {
  SetTrack(10);
  mdata->info = MP3_INFO{};  // found == 0
  UpdateLabel();
  EXPECT_EQ(Label(LABEL_BITRATE), "");
  EXPECT_EQ(Label(LABEL_FREQ), "");
  EXPECT_EQ(Label(LABEL_CHANEL), "");
  EXPECT_FALSE(Traced("fw_text_from_int(0)"));
  EXPECT_FALSE(Traced("fw_text_from_wstr(\"Stereo\", 0, 65535)"));
}

TEST_F(LabelsTest, RebuildReleasesTheOldHandlesAndBufferFirst) {
  SetTrack(100);
  UpdateLabel();
  std::vector<TEXTID> old(TextID, TextID + 9);
  phone_->trace().clear();
  UpdateLabel();
  const auto& lines = phone_->trace().lines();
  ASSERT_GE(lines.size(), 9u);
  for (int slot = 0; slot < 9; ++slot) {
    EXPECT_EQ(lines[size_t(slot)], "fw_text_free(" + std::to_string(old[size_t(slot)]) + ")");
    EXPECT_EQ(phone_->texts().get(old[size_t(slot)]), nullptr);
  }
  EXPECT_EQ(phone_->texts().live(), 9u);
}

TEST_F(LabelsTest, ReleaseRulePassesTheEmptyTextAgainButLeavesNeverMadeSlots) {
  ReleaseLabel(LABEL_TITLE);
  EXPECT_EQ(TextID[LABEL_TITLE], 0u);
  EXPECT_EQ(CountTrace("fw_text_free("), 0u);
  TextID[LABEL_TITLE] = EMPTY_TEXT;
  ReleaseLabel(LABEL_TITLE);
  EXPECT_TRUE(Traced("fw_text_free(1879048191)"));
  EXPECT_EQ(TextID[LABEL_TITLE], EMPTY_TEXT);
  EXPECT_EQ(phone_->texts().bad_releases(), 0u);
}

TEST_F(LabelsTest, TrackNumberLivesForOneRedraw) {
  SetTrack(100, 3, 12);
  BuildTrackNumberLabel();
  EXPECT_EQ(Label(LABEL_TRACKCOUNT), "3/12");
  EXPECT_NE(buff[3], nullptr);
  EXPECT_EQ(phone_->texts().live(), 1u);
  ReleaseTrackNumberLabel();
  EXPECT_EQ(TextID[LABEL_TRACKCOUNT], EMPTY_TEXT);
  EXPECT_EQ(buff[3], nullptr);
  EXPECT_EQ(phone_->texts().live(), 0u);

  // Without a current track nothing is built.
  TrackDesc_Free(currenttrack);
  currenttrack = nullptr;
  BuildTrackNumberLabel();
  EXPECT_EQ(buff[3], nullptr);
  EXPECT_EQ(phone_->texts().live(), 0u);
  ReleaseTrackNumberLabel();
}

TEST_F(LabelsTest, FullReleaseEmptiesSlotsAndBuffers) {
  SetTrack(100);
  UpdateLabel();
  UpdatePlayTimeLabels();
  EXPECT_EQ(phone_->texts().live(), 11u);
  ReleaseAllLabels();
  for (int slot = 0; slot <= LABEL_OSTTIME; ++slot) EXPECT_EQ(TextID[slot], EMPTY_TEXT) << slot;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buff[i], nullptr);
  EXPECT_EQ(phone_->texts().live(), 0u);
}

// A hand-edited configuration may place a label anywhere in 32 bits: the drawing holds the place
// to the bounds a point may hold (-32768..32767), so the slide offset and the outline's +-1 never
// overflow.
TEST_F(LabelsTest, LabelPlacesAreHeldToThePointBounds) {
  SetTrack(60);
  UpdateLabel();
  X_TITLE_POS = INT32_MAX;
  Y_TITLE_POS = INT32_MIN;
  OffsetCoord = 80;
  DrawLabels();
  const std::string title = "fw_draw_text(" + std::to_string(TextID[LABEL_TITLE]) + ", 0, ";
  EXPECT_EQ(CountTrace(title + "32766, -32689, "), 1u);  // the outline's first, left and up
  EXPECT_EQ(CountTrace(title + "32768, -32687, "), 1u);  // its last, right and down
  EXPECT_EQ(CountTrace(title + "32767, -32688, "), 1u);  // the text
  config_block = cfg_default_block();
  OffsetCoord = 0;
}

}  // namespace
}  // namespace track_test
