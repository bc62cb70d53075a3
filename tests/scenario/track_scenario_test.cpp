// Whole runs of the track monitor: the loaded add-on follows the phone's media player through real
// tagged MP3 files, and its label texts, cover choice and resources are watched through the call
// trace and the phone's counts.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/memory.h"
#include "core/service_table.h"
#include "core/text_store.h"
#include "core/wstr.h"
#include "images/image_store.h"
#include "mp3w/mp3_writer.h"
#include "player/media_player.h"
#include "test_phone.h"

namespace fs = std::filesystem;
using ts::TestPhone;

namespace {

constexpr int kHotKey = host::codes::KEY_MUSIC;

// Seconds of silence in frames of `f`.
mp3w::Bytes Silence(const mp3w::Frame& f, double seconds) {
  int frames = int(std::ceil(seconds * mp3w::sample_rate(f) / mp3w::samples_per_frame(f)));
  return mp3w::frames(f, frames);
}

// The text a text-making trace line shows: a quoted string, `null` (empty), or a number.
std::string TextOf(const std::string& line) {
  size_t open = line.find('(');
  if (line.compare(0, 17, "fw_text_from_int(") == 0)
    return line.substr(open + 1, line.size() - open - 2);
  std::string args = line.substr(open + 1);
  if (args.compare(0, 4, "null") == 0) return "";
  size_t end = args.rfind("\", 0, 65535)");
  return end == std::string::npos ? "?" : args.substr(1, end - 1);
}

// Failing the firmware allocator for blocks of one size, passing every other request on.
void* (*g_real_malloc)(int) = nullptr;
int g_fail_size = -1;
void* MallocFailingOneSize(int size) { return size == g_fail_size ? nullptr : g_real_malloc(size); }

class TrackScenario : public ::testing::Test {
 protected:
  void Start(host::Options options = {}) {
    t_ = std::make_unique<TestPhone>(options);
    ASSERT_EQ(t_->start_addon(), 0);
  }
  host::Phone& phone() { return t_->phone; }
  fs::path Put(const std::string& name, const mp3w::Bytes& bytes) {
    fs::path p = music_.path() / name;
    mp3w::write_file(p, bytes);
    return p;
  }
  // Three seconds each of "Song 1", "Song 2" and "Song 3".
  std::vector<fs::path> ThreeSongs() {
    mp3w::Frame f;
    std::vector<fs::path> list;
    for (int i = 1; i <= 3; ++i) {
      mp3w::Id3v2Tag tag(3);
      tag.text("TIT2", "Song " + std::to_string(i));
      list.push_back(Put("0" + std::to_string(i) + ".mp3", mp3w::join({tag.bytes(), Silence(f, 3)})));
    }
    return list;
  }
  void Play(std::vector<fs::path> list) {
    phone().player().start(std::move(list));
    t_->run(0);
  }

  // The texts made since the trace was cleared, in order.
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& l : t_->trace("fw_text_from_")) out.push_back(TextOf(l));
    return out;
  }
  // The nine track labels of the last rebuild, by slot: title, artist, album, year, genre,
  // bitrate, sample rate, channel mode, length (they are made from slot 8 down to slot 0).
  std::vector<std::string> TrackLabels() {
    std::vector<std::string> t = Texts();
    EXPECT_GE(t.size(), 9u);
    if (t.size() < 9) return {};
    std::vector<std::string> last(t.end() - 9, t.end());
    return {last[8], last[7], last[6], last[5], last[4], last[3], last[2], last[1], last[0]};
  }
  bool Made(const std::string& text) {
    for (const auto& s : Texts())
      if (s == text) return true;
    return false;
  }
  // Where the last cover came from: "tag:<type>" or the loaded file's name.
  std::string CoverSource() {
    std::string src = "none";
    for (const auto& l : t_->trace()) {
      if (l.compare(0, 21, "fw_image_from_buffer(") == 0) {
        size_t q = l.find(", 0, ");
        src = "tag:" + l.substr(q + 5, l.rfind(", ptr)") - q - 5);
      } else if (l.compare(0, 14, "fw_image_load(") == 0) {
        size_t a = l.find("\", \"");
        src = l.substr(a + 4, l.find('"', a + 4) - a - 4);
      }
    }
    return src;
  }
  // Hot key: shows the panel, or hides it, and lets the slide finish.
  void Toggle() {
    t_->press(kHotKey);
    t_->run(2000);
  }
  void ExpectAllReleasedAfterExit() {
    t_->terminate();
    host::ResourceCounts c = phone().counts();
    EXPECT_TRUE(c.all_zero()) << c.summary();
    EXPECT_EQ(phone().images().live(), 0u);
    EXPECT_EQ(phone().images().bad_frees(), 0u);
    EXPECT_EQ(phone().memory().bad_frees(), 0u);
    EXPECT_EQ(phone().texts().bad_releases(), 0u);
  }

  ts::TempDir music_;
  std::unique_ptr<TestPhone> t_;
};

TEST_F(TrackScenario, TrackChangeLabelsTagsStreamDataAndTagCover) {
  mp3w::Frame f;  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz
  f.mode = mp3w::JOINT_STEREO;
  mp3w::Id3v2Tag tag(4);
  tag.text("TIT2", "Песня", mp3w::Enc::Utf8)
      .text("TPE1", "Исполнитель", mp3w::Enc::Utf16)
      .text("TALB", "Album")
      .text("TDRC", "2009")
      .text("TCON", "Rock")
      .picture(mp3w::tiny_png(6, 6), "image/png");
  fs::path a = Put("a.mp3", mp3w::join({tag.bytes(), Silence(f, 10)}));
  Put("Cover.jpg", mp3w::tiny_jpeg());  // a tag picture comes first
  Start();
  t_->clear_trace();
  Play({a});

  int len = phone().player().now_playing().length;
  char length[16];
  std::snprintf(length, sizeof length, "%02d:%02d", len / 60, len % 60);
  EXPECT_EQ(TrackLabels(), (std::vector<std::string>{"Песня", "Исполнитель", "Album", "2009", "Rock",
                                                     "128", "44100", "Joint Stereo", length}));
  EXPECT_EQ(CoverSource(), "tag:\"png\"");
  EXPECT_EQ(phone().files().open_files(), 0u);

  t_->clear_trace();
  t_->run(3000);
  char remaining[16];
  std::snprintf(remaining, sizeof remaining, "-%02d:%02d", (len - 3) / 60, (len - 3) % 60);
  EXPECT_TRUE(Made("00:03"));
  EXPECT_TRUE(Made(remaining)) << remaining;
  EXPECT_EQ(Texts().size(), 6u);  // two per tick, nothing else
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, HourLongTrackShowsMinutesPastSixty) {
  mp3w::Frame f;
  f.version = mp3w::MPEG25;  // 8 kbit/s at 8000 Hz keeps 4000 s at 4 MB
  f.bitrate = 1;
  f.frequency = 2;
  fs::path a = Put("long.mp3", Silence(f, 4000));
  Start();
  t_->clear_trace();
  Play({a});
  ASSERT_EQ(phone().player().now_playing().length, 4000);
  EXPECT_EQ(TrackLabels().at(8), "66:40");
  phone().player().seek(3720);
  t_->clear_trace();
  t_->run(3000);
  EXPECT_TRUE(Made("62:03"));
  EXPECT_TRUE(Made("-04:37"));
  EXPECT_FALSE(Made("02:03"));
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, StreamDataOfEveryKind) {
  struct Case {
    const char* name;
    mp3w::Frame f;
    mp3w::Bytes head;
    std::vector<std::string> expect;  // bitrate, sample rate, channel mode
  };
  mp3w::Frame mono2;
  mono2.version = mp3w::MPEG2;
  mono2.bitrate = 8;  // 64 kbit/s
  mono2.frequency = 1;  // 24000 Hz
  mono2.mode = mp3w::SINGLE_CHANNEL;
  mp3w::Frame v25;
  v25.version = mp3w::MPEG25;
  v25.bitrate = 4;  // 32 kbit/s
  v25.frequency = 2;  // 8000 Hz
  mp3w::Frame dual;
  dual.mode = mp3w::DUAL_CHANNEL;
  mp3w::Frame plain;
  std::vector<Case> cases = {
      {"mono2.mp3", mono2, {}, {"64", "24000", "Single Channel"}},
      {"v25.mp3", v25, {}, {"32", "8000", "Stereo"}},
      {"dual.mp3", dual, {}, {"128", "44100", "Dual Channel"}},
      {"junk.mp3", plain, mp3w::Bytes(700, 0x00), {"128", "44100", "Stereo"}},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path p = Put(c.name, mp3w::join({c.head, Silence(c.f, 3)}));
    t_->clear_trace();
    Play({p});
    std::vector<std::string> l = TrackLabels();
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(l.begin() + 5, l.begin() + 8), c.expect);
    EXPECT_EQ(l[0], c.name);  // no tag: the file name is the title
  }
  // VBR: the bitrate comes from the Xing frame count (here half the frames there are).
  mp3w::Frame f;
  fs::path vbr = Put("vbr.mp3", mp3w::join({mp3w::xing_frame(f, 50), Silence(f, 2.6)}));
  t_->clear_trace();
  Play({vbr});
  std::vector<std::string> l = TrackLabels();
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(l[6], "44100");
  EXPECT_NE(l[5], "128");
  EXPECT_NE(l[5], "");
  EXPECT_GT(std::stoi(l[5]), 200);
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, FilesWithoutFramesShowNoStreamData) {
  Start();
  // An ID3 header that claims more than the file holds, an empty file, a truncated frame.
  mp3w::Bytes past_eof = {'I', 'D', '3', 3, 0, 0, 0, 0x10, 0, 0, 'x', 'y'};
  mp3w::Frame f;
  mp3w::Bytes truncated = mp3w::header_bytes(f);
  truncated.resize(3);
  mp3w::Frame good;
  fs::path ok = Put("ok.mp3", Silence(good, 2));
  for (auto [name, bytes] : {std::pair{"past.mp3", past_eof}, std::pair{"empty.mp3", mp3w::Bytes{}},
                             std::pair{"cut.mp3", truncated}}) {
    SCOPED_TRACE(name);
    fs::path p = Put(name, bytes);
    t_->clear_trace();
    Play({ok, p});
    phone().player().next();
    t_->run(0);
    std::vector<std::string> l = TrackLabels();
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[0], name);
    EXPECT_EQ(l[5], "");
    EXPECT_EQ(l[6], "");
    EXPECT_EQ(l[7], "");
    EXPECT_EQ(CoverSource(), "NoCover.png");
  }
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, OldTagsAndCodePageText) {
  mp3w::Frame f;
  mp3w::Id3v1 v1;
  v1.title = "Звезда";
  v1.artist = "Кино";
  v1.year = "1989";
  fs::path a = Put("a.mp3", mp3w::join({Silence(f, 2), mp3w::id3v1(v1)}));
  mp3w::Id3v2Tag v22(2);
  v22.text("TIT2", "Old").picture(mp3w::tiny_jpeg(3, 3), "image/jpeg", mp3w::Enc::Utf16, "Обложка");
  fs::path b = Put("b.mp3", mp3w::join({v22.bytes(), Silence(f, 2)}));
  Start();
  t_->clear_trace();
  Play({a, b});
  std::vector<std::string> l = TrackLabels();
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(l[0], "Звезда");
  EXPECT_EQ(l[1], "Кино");
  EXPECT_EQ(l[3], "1989");
  EXPECT_EQ(CoverSource(), "NoCover.png");
  t_->clear_trace();
  phone().player().next();
  t_->run(0);
  EXPECT_EQ(TrackLabels().at(0), "Old");
  EXPECT_EQ(CoverSource(), "tag:\"jpg\"");
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, FolderPicturesInTheirOrder) {
  mp3w::Frame f;
  fs::path a = Put("a.mp3", Silence(f, 2));
  fs::path b = Put("b.mp3", Silence(f, 2));
  Put("album.JPG", mp3w::tiny_jpeg());
  Put("Cover.bmp", mp3w::Bytes(10, 0));  // there, but no picture: passed over
  Start();
  t_->clear_trace();
  Play({a, b});
  EXPECT_EQ(CoverSource(), "Album.jpg");
  // The next track of the same folder loads it again.
  t_->clear_trace();
  phone().player().next();
  t_->run(0);
  EXPECT_EQ(CoverSource(), "Album.jpg");
  EXPECT_EQ(t_->trace_count("fw_image_load("), 2u);  // Cover.bmp failed, Album.jpg loaded
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, UnusableTagPicturesFallBack) {
  mp3w::Frame f;
  // Unsynchronised: the picture is not in the file as it is; the phone does not report it.
  mp3w::Id3v2Tag unsync(3);
  unsync.picture(mp3w::tiny_jpeg(), "image/jpeg").unsynchronise();  // FF D8 gains a zero
  fs::path a = Put("a.mp3", mp3w::join({unsync.bytes(), Silence(f, 2)}));
  // A picture whose bytes are no image.
  mp3w::Id3v2Tag junk(3);
  junk.picture(mp3w::Bytes(200, 0x42), "image/png");
  fs::path b = Put("b.mp3", mp3w::join({junk.bytes(), Silence(f, 2)}));
  Put("Cover.jpg", mp3w::tiny_jpeg());
  Start();
  t_->clear_trace();
  Play({a, b});
  EXPECT_EQ(CoverSource(), "Cover.jpg");
  t_->clear_trace();
  phone().player().next();
  t_->run(0);
  EXPECT_EQ(CoverSource(), "Cover.jpg");
  EXPECT_EQ(t_->trace_count("fw_image_from_buffer("), 1u);
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, NoMemoryForTheTagPictureFallsBack) {
  mp3w::Frame f;
  mp3w::Bytes png = mp3w::tiny_png(7, 7);
  mp3w::Id3v2Tag tag(3);
  tag.picture(png, "image/png");
  fs::path a = Put("a.mp3", mp3w::join({tag.bytes(), Silence(f, 2)}));
  Start();
  g_real_malloc = phone().services().entry<host::service::fw_malloc>();
  g_fail_size = int(png.size()) + 1;
  phone().services().replace<host::service::fw_malloc>(&MallocFailingOneSize);
  t_->clear_trace();
  Play({a});
  EXPECT_EQ(CoverSource(), "NoCover.png");
  EXPECT_EQ(phone().files().open_files(), 0u);
  g_fail_size = -1;
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, FirstBookLayoutAndTrackNumberLabel) {
  for (uint32_t id : {0x8040u, 0x9900u}) {
    SCOPED_TRACE(id);
    host::Options o;
    o.platform_id = id;
    t_.reset();
    const std::vector<fs::path> list = ThreeSongs();
    Start(o);
    if (id == 0x8040u) phone().player().set_layout_forms({true, true});
    Play(list);
    phone().player().next();
    t_->run(0);
    EXPECT_EQ(TrackLabels().at(0), "Song 2");
    t_->clear_trace();
    Toggle();
    EXPECT_TRUE(Made("2/3"));
    Toggle();
    ExpectAllReleasedAfterExit();
  }
}

// A paused player sends no play-time ticks: the shown panel still takes the next track at once.
TEST_F(TrackScenario, TrackChangeWhilePausedRedrawsTheShownPanel) {
  Start();
  Play(ThreeSongs());
  Toggle();
  phone().player().pause();
  t_->run(500);
  t_->clear_trace();
  phone().player().next();
  t_->run(1500);
  EXPECT_TRUE(Made("Song 2"));
  EXPECT_TRUE(Made("2/3")) << "no redraw with the new track";
  ExpectAllReleasedAfterExit();
}

TEST_F(TrackScenario, SameTrackInALongerListKeepsItsDataAndShowsTheNewCount) {
  mp3w::Frame f;
  mp3w::Id3v2Tag tag(3);
  tag.text("TIT2", "Same");
  fs::path a = Put("a.mp3", mp3w::join({tag.bytes(), Silence(f, 3)}));
  fs::path b = Put("b.mp3", Silence(f, 3));
  Start();
  Play({a});
  t_->clear_trace();
  Play({a, b});  // the same track, now one of two
  EXPECT_EQ(t_->trace_count("fw_metadata_open("), 0u);
  EXPECT_EQ(t_->trace_count("fw_image_load("), 0u);
  EXPECT_EQ(TrackLabels().at(0), "Same");
  t_->clear_trace();
  Toggle();
  EXPECT_TRUE(Made("1/2"));
  EXPECT_FALSE(Made("1/1"));
  Toggle();
  ExpectAllReleasedAfterExit();
}

}  // namespace
