// Play lists: folders read in name order with their subfolders, .m3u/.m3u8 lists with relative
// paths, files without MPEG audio left out and reported, and clear errors.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "core/wstr.h"
#include "tags/tag_reader.h"

#include "player/playlist.h"
#include "player_test_util.h"

namespace player_test {
namespace {

std::vector<std::string> names_below(const host::Playlist& pl, const fs::path& base) {
  std::vector<std::string> out;
  for (const fs::path& t : pl.tracks) out.push_back(t.lexically_relative(base).generic_string());
  return out;
}

void write_text(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// A short MP3: two frames of silence.
void mp3(const fs::path& file, const mp3w::Bytes& before = {}) {
  fs::create_directories(file.parent_path());
  mp3w::write_file(file, mp3w::join({before, mp3w::frames(cbr_frame(), 2)}));
}

TEST(PlayerPlaylist, FolderSortedByNameFilesBeforeSubfolders) {
  TempDir d;
  for (const char* n : {"b.mp3", "A.MP3", "a2.mp3", "z/2.mp3", "z/1.mp3", "Y/deep/y.mp3"})
    mp3(d / n);
  for (const char* n : {"notes.txt", "cover.jpg", ".hidden.mp3", "empty/readme.txt"}) touch(d / n);
  // Audio names without MPEG audio in them: left out, each with its reason.
  touch(d / "c.wav", "RIFF----WAVEfmt " + std::string(4000, '\x11'));
  touch(d / "Y/x.ogg", "OggS" + std::string(4000, '\x22'));
  touch(d / "zeros.mp3", std::string(200 * 1024, '\0'));
  // Junk before the first frame within the window, and an ID3v2 tag larger than the window,
  // still play.
  mp3(d / "a3.mp3", mp3w::Bytes(60 * 1024, 0));
  mp3(d / "a4.mp3", mp3w::Id3v2Tag(3).text("TIT2", "x").padding(300 * 1024).bytes());

  host::Playlist pl = host::load_playlist(d.path());
  EXPECT_EQ(names_below(pl, d.path()),
            (std::vector<std::string>{"A.MP3", "a2.mp3", "a3.mp3", "a4.mp3", "b.mp3",
                                      "Y/deep/y.mp3", "z/1.mp3", "z/2.mp3"}));
  std::vector<std::string> skipped;
  for (const host::SkippedFile& s : pl.skipped) {
    skipped.push_back(s.file.lexically_relative(d.path()).generic_string());
    EXPECT_NE(s.reason.find("no MPEG audio frame"), std::string::npos) << s.reason;
  }
  EXPECT_EQ(skipped, (std::vector<std::string>{"c.wav", "zeros.mp3", "Y/x.ogg"}));
  EXPECT_TRUE(pl.missing.empty());
  for (const fs::path& t : pl.tracks) EXPECT_TRUE(t.is_absolute());
}

TEST(PlayerPlaylist, M3uResolvesRelativePathsAndSkipsComments) {
  TempDir d;
  mp3(d / "music/one.mp3");
  mp3(d / "music/Sub/Two.mp3");
  mp3(d / "other/three.mp3");
  mp3(d / "abs.mp3");
  write_text(d / "music/list.m3u8",
             "\xEF\xBB\xBF#EXTM3U\r\n"
             "#EXTINF:123,Artist - One\r\n"
             "one.mp3\r\n"
             "\r\n"
             "  Sub\\Two.mp3  \r\n"
             "../other/three.mp3\n"
             "missing.mp3\n" +
                 (d / "abs.mp3").string() + "\n" +
                 "one.mp3\n");
  host::Playlist pl = host::load_playlist(d / "music/list.m3u8");
  EXPECT_EQ(names_below(pl, d.path()),
            (std::vector<std::string>{"music/one.mp3", "music/Sub/Two.mp3", "other/three.mp3",
                                      "abs.mp3", "music/one.mp3"}));
  EXPECT_EQ(pl.missing, std::vector<std::string>{"missing.mp3"});
}

TEST(PlayerPlaylist, M3uMatchesNamesWithoutRegardToCaseAndKeepsUtf8) {
  TempDir d;
  mp3(d / "Музыка/Песня.mp3");
  mp3(d / "Album/Track.MP3");
  write_text(d / "list.m3u", "Музыка/Песня.mp3\nalbum/track.mp3\n");
  host::Playlist pl = host::load_playlist(d / "list.m3u");
  EXPECT_EQ(names_below(pl, d.path()),
            (std::vector<std::string>{"Музыка/Песня.mp3", "Album/Track.MP3"}));
}

TEST(PlayerPlaylist, SingleAudioFileIsAListOfOne) {
  TempDir d;
  mp3(d / "song.mp3");
  host::Playlist pl = host::load_playlist(d / "song.mp3");
  ASSERT_EQ(pl.tracks.size(), 1u);
  EXPECT_EQ(pl.tracks[0].filename(), "song.mp3");
}

std::string error_of(const fs::path& p) {
  try {
    host::load_playlist(p);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(PlayerPlaylist, ErrorsNameThePathAndTheProblem) {
  TempDir d;
  fs::create_directories(d / "empty");
  touch(d / "nomusic/readme.txt");
  write_text(d / "none.m3u", "#EXTM3U\ngone.mp3\n");
  write_text(d / "blank.m3u", "#EXTM3U\n\n");
  touch(d / "notes.txt");
  touch(d / "junk/a.mp3", "not audio");
  write_text(d / "junk.m3u", "junk/a.mp3\n");

  EXPECT_NE(error_of(d / "nowhere").find("no such folder or play list"), std::string::npos);
  EXPECT_NE(error_of(d / "nowhere").find((d / "nowhere").string()), std::string::npos);
  EXPECT_NE(error_of(d / "empty").find("no audio files"), std::string::npos);
  EXPECT_NE(error_of(d / "nomusic").find("no audio files"), std::string::npos);
  EXPECT_NE(error_of(d / "none.m3u").find("gone.mp3"), std::string::npos);
  EXPECT_NE(error_of(d / "blank.m3u").find("names no existing audio file"), std::string::npos);
  EXPECT_NE(error_of(d / "notes.txt").find("not a folder"), std::string::npos);
  // Only files without MPEG audio: the first is named with its reason.
  EXPECT_NE(error_of(d / "junk").find("no MPEG audio in the folder"), std::string::npos);
  EXPECT_NE(error_of(d / "junk").find("a.mp3: no MPEG audio frame"), std::string::npos);
  EXPECT_NE(error_of(d / "junk.m3u").find("a.mp3: no MPEG audio frame"), std::string::npos);
  EXPECT_NE(error_of(d / "junk/a.mp3").find("not MPEG audio"), std::string::npos);
}

TEST(PlayerPlaylist, AudioExtensionsWithoutRegardToCase) {
  EXPECT_TRUE(host::is_audio_file("a.MP3"));
  EXPECT_TRUE(host::is_audio_file("a.m4a"));
  EXPECT_TRUE(host::is_audio_file("a.Flac"));
  EXPECT_FALSE(host::is_audio_file("a.jpg"));
  EXPECT_FALSE(host::is_audio_file("a.m3u"));
  EXPECT_FALSE(host::is_audio_file("mp3"));
}

// The player mounts the music so that the add-on reaches each track by its phone path.
using PlayerMount = PlayerTest;

TEST_F(PlayerMount, TracksAreReachableThroughThePhonesPaths) {
  write_silent_mp3(music_ / "Album/01 Intro.mp3", 1000);
  write_silent_mp3(music_ / "Album/CD2/02.mp3", 1000);
  player().start(music_.path());
  ASSERT_EQ(player().tracks().size(), 2u);
  EXPECT_EQ(player().phone_folder(0), u"/card/Music/Album");
  EXPECT_EQ(player().phone_name(0), u"01 Intro.mp3");
  EXPECT_EQ(player().phone_folder(1), u"/card/Music/Album/CD2");
  for (size_t i = 0; i < 2; ++i) {
    auto p = phone_.files().resolve(player().phone_folder(i), player().phone_name(i));
    ASSERT_TRUE(p) << i;
    EXPECT_TRUE(fs::equivalent(*p, player().tracks()[i]));
  }
}

TEST_F(PlayerMount, MusicBelowThePhoneRootKeepsItsPhonePath) {
  fs::path root = phone_.files().root();
  write_silent_mp3(root / "card/Tunes/a.mp3", 1000);
  // An earlier list elsewhere mounted /card/Music; it must not shadow the new list.
  write_silent_mp3(music_ / "x.mp3", 1000);
  player().start(music_.path());
  player().start(root / "card/Tunes");
  EXPECT_EQ(player().phone_folder(0), u"/card/Tunes");
  auto p = phone_.files().resolve(u"/card/Tunes", u"A.MP3");
  ASSERT_TRUE(p);
  EXPECT_TRUE(fs::equivalent(*p, root / "card/Tunes/a.mp3"));
}

// Names that are no UTF-8 (Latin-1, as old archives have): each track keeps its own bytes to the
// file the phone opens, beside a file named with the U+FFFD the bytes would become; a Latin-1
// name that the phone would read as another file's UTF-8 name is left out, never mistaken for it.
TEST_F(PlayerMount, Latin1NamesReachTheirOwnFiles) {
  auto tagged = [&](const std::string& name, const std::string& title) {
    write_silent_mp3(music_ / name, 1000, mp3w::Id3v2Tag(3).text("TIT2", title).bytes());
  };
  tagged("caf\xE9.mp3", "Latin-1");
  tagged("caf\xEF\xBF\xBD.mp3", "Replacement");
  tagged("Sub/na\xEFve.mp3", "Folder");  // the same in a subfolder
  tagged("Sub/na\xC3\xAFve.mp3", "UTF-8");
  player().start(music_.path());
  ASSERT_EQ(player().tracks().size(), 3u);
  std::vector<std::u16string> titles;
  for (size_t i = 0; i < 3; ++i) {
    FwHandle h = phone_.tags().open(player().phone_folder(i), player().phone_name(i));
    ASSERT_NE(h, 0u) << i;
    titles.push_back(phone_.tags().tag(h, host::TAG_TITLE));
    phone_.tags().close(h);
  }
  EXPECT_EQ(titles, (std::vector<std::u16string>{u"Latin-1", u"Replacement", u"UTF-8"}));
  EXPECT_EQ(player().phone_name(0), u"caf\u00E9.mp3");
  const host::Playlist pl = host::load_playlist(music_.path());
  ASSERT_EQ(pl.skipped.size(), 1u);
  EXPECT_EQ(pl.skipped[0].file.filename(), "na\xEFve.mp3");
  EXPECT_NE(pl.skipped[0].reason.find("another file"), std::string::npos) << pl.skipped[0].reason;
}

// Linked album folders are followed once each; a link back up (a loop) is left out and said.
TEST(PlayerPlaylist, LinkedFoldersFollowedOnceLoopsSkipped) {
  TempDir d, elsewhere;
  mp3(d / "music/a.mp3");
  mp3(elsewhere / "Album/x.mp3");
  fs::create_directory_symlink(elsewhere / "Album", d / "music/Linked");
  fs::create_directory_symlink(d / "music", d / "music/Linked2");  // back to the top: a loop
  host::Playlist pl = host::load_playlist(d / "music");
  EXPECT_EQ(names_below(pl, d / "music"), (std::vector<std::string>{"a.mp3", "Linked/x.mp3"}));
  ASSERT_EQ(pl.skipped.size(), 1u);
  EXPECT_EQ(pl.skipped[0].file.filename(), "Linked2");
  EXPECT_NE(pl.skipped[0].reason.find("a link to a folder already read"), std::string::npos);
}

// A name the phone asks for and a folder lacks is looked up in the folder's index, listed once
// while the folder stays as it is, and listed again when it changes.
TEST_F(PlayerMount, FailedOpensListTheFolderOnce) {
  for (int i = 0; i < 50; ++i) write_silent_mp3(music_ / ("t" + std::to_string(i) + ".mp3"), 1000);
  fs::last_write_time(music_.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
  player().start(music_.path());
  host::FileSystem& files = phone_.files();
  const size_t before = files.folder_listings();
  for (int i = 0; i < 100; ++i) EXPECT_LT(files.open(u"/card/Music", u"cover.jpg", 1), 0);
  EXPECT_EQ(files.open(u"/card/Music", u"T7.MP3", 1) >= 0, true);
  EXPECT_LE(files.folder_listings(), before + 1);
  touch(music_ / "Cover.jpg");
  const int fd = files.open(u"/card/Music", u"cover.jpg", 1);
  EXPECT_GE(fd, 0);
  files.close(fd);
}

TEST_F(PlayerMount, BadStartLeavesThePlayerAsItWas) {
  write_silent_mp3(music_ / "a.mp3", 3000);
  player().start(music_.path());
  run_for(1500);
  EXPECT_THROW(player().start(music_ / "missing"), std::runtime_error);
  EXPECT_THROW(player().start(std::vector<fs::path>{}), std::runtime_error);
  EXPECT_THROW(player().start(std::vector<fs::path>{music_ / "gone.mp3"}), std::runtime_error);
  host::NowPlaying np = player().now_playing();
  EXPECT_TRUE(np.running);
  EXPECT_TRUE(np.playing);
  EXPECT_EQ(np.position, 1);
  EXPECT_EQ(np.count, 1);
}

}  // namespace
}  // namespace player_test
