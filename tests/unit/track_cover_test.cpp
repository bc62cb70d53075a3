// Tags and the cover picture: tag picture first, then the folder's pictures, then the program's own.
#include "track_fixture.h"

namespace track_test {
namespace {

int FailingSeek(int, int, int) { return -1; }
int ShortRead(int, void*, int size) { return size / 2; }

class CoverTest : public TrackTest {
 protected:
  // t.mp3 with an ID3v2.3 tag holding `picture`; the scripted reader reports it as given.
  void WriteTaggedTrack(const mp3w::Bytes& picture, const std::string& mime, uint8_t type,
                        int size_delta = 0, int offset_override = -1) {
    mp3w::Id3v2Tag tag(3);
    tag.text("TIT2", "Tagged").picture(picture, mime);
    mp3w::Bytes head = tag.bytes();
    WriteTrack("t.mp3", 1, head);
    FakeTag& ft = tags_.by_name[u"t.mp3"];
    ft.text[1] = u"Tagged";
    ft.has_picture = true;
    ft.type = type;
    ft.size = int(picture.size()) + size_delta;
    ft.offset = offset_override >= 0 ? offset_override : int(tag.picture_offsets().at(0));
  }
  void Put(const std::string& name, const mp3w::Bytes& bytes) {
    mp3w::write_file(music_ / name, bytes);
  }
  void Read() { GetMetaData(mdata, Folder().c_str(), u"t.mp3"); }
  std::u16string Folder() const { return *phone_->files().phone_path_of(music_); }
  bool Shows(int w, int h) const {
    const host::Image* img = Cover();
    return img && img->width == w && img->height == h;
  }
};

TEST_F(CoverTest, TagPictureComesFirstAndIsMadeFromMemory) {
  WriteTaggedTrack(mp3w::tiny_png(5, 3), "image/png", 2);
  Put("Cover.jpg", mp3w::tiny_jpeg(7, 7));
  Read();
  EXPECT_TRUE(Shows(5, 3));
  EXPECT_EQ(mdata->covertype, 2);
  EXPECT_EQ(CountTrace("fw_image_from_buffer(ptr, " + std::to_string(mdata->coversize) +
                       ", 0, \"png\", ptr)"),
            1u);
  EXPECT_EQ(CountTrace("fw_file_stat(\"" + host::utf16_to_utf8(Folder()) + "\", \"Cover"), 0u);
  EXPECT_EQ(phone_->files().open_files(), 0u);
  EXPECT_EQ(std::u16string(mdata->title), u"Tagged");
}

TEST_F(CoverTest, JpegTagPicture) {
  WriteTaggedTrack(mp3w::tiny_jpeg(6, 4), "image/jpeg", 0);
  Read();
  EXPECT_TRUE(Shows(6, 4));
  EXPECT_EQ(CountTrace("fw_image_from_buffer(ptr, " + std::to_string(mdata->coversize) +
                       ", 0, \"jpg\", ptr)"),
            1u);
}

TEST_F(CoverTest, ImpossiblePicturePlacesAreNotRead) {
  struct Case {
    const char* what;
    int size_delta;
    int offset;
  } cases[] = {{"size 0", -1000000, -1}, {"past the end", 1000000, -1}, {"negative offset", 0, -2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mp3w::Bytes png = mp3w::tiny_png(5, 3);
    int delta = c.size_delta == -1000000 ? -int(png.size()) : c.size_delta;
    WriteTaggedTrack(png, "image/png", 2, delta);
    if (c.offset == -2) tags_.by_name[u"t.mp3"].offset = -5;
    Put("Cover.jpg", mp3w::tiny_jpeg(7, 7));
    phone_->trace().clear();
    Read();
    EXPECT_EQ(CountTrace("fw_image_from_buffer("), 0u);
    EXPECT_TRUE(Shows(7, 7));  // the folder's picture
    EXPECT_EQ(phone_->files().open_files(), 0u);
  }
  // A negative size, with nothing in the folder: the program's own picture.
  fs::remove(music_ / "Cover.jpg");
  WriteTaggedTrack(mp3w::tiny_png(5, 3), "image/png", 2, -100000);
  Read();
  EXPECT_TRUE(Shows(2, 2));
}

TEST_F(CoverTest, UndecodablePictureFallsBackToTheFolder) {
  mp3w::Bytes junk(300, 0x5A);
  WriteTaggedTrack(junk, "image/png", 2);
  Put("Album.bmp", tiny_bmp(3, 9));
  Read();
  EXPECT_TRUE(Shows(3, 9));
  EXPECT_EQ(CountTrace("fw_image_from_buffer("), 1u);

  // A picture type without a type string decodes to nothing too.
  WriteTaggedTrack(mp3w::tiny_png(5, 3), "image/png", 4);
  phone_->trace().clear();
  Read();
  EXPECT_TRUE(Traced("fw_image_from_buffer(ptr, " + std::to_string(mdata->coversize) +
                     ", 0, null, ptr)"));
  EXPECT_TRUE(Shows(3, 9));
}

TEST_F(CoverTest, UnreadablePictureFallsBackAndClosesTheFile) {
  // The seek to the picture fails, or its read comes back short.
  for (bool seek_fails : {true, false}) {
    SCOPED_TRACE(seek_fails ? "seek" : "read");
    WriteTaggedTrack(mp3w::tiny_png(5, 3), "image/png", 2);
    auto seek = phone_->services().entry<host::service::fw_file_seek>();
    auto read = phone_->services().entry<host::service::fw_file_read>();
    if (seek_fails)
      phone_->services().replace<host::service::fw_file_seek>(&FailingSeek);
    else
      phone_->services().replace<host::service::fw_file_read>(&ShortRead);
    phone_->trace().clear();
    size_t blocks = phone_->memory().live_blocks();
    GetCover(fw_metadata_open(u"", u"t.mp3"), Folder().c_str(), u"t.mp3", mdata);
    EXPECT_TRUE(Shows(2, 2));  // nothing in the folder: the program's own picture
    EXPECT_EQ(phone_->files().open_files(), 0u);
    EXPECT_EQ(CountTrace("fw_file_close("), 1u);
    EXPECT_EQ(phone_->memory().live_blocks(), blocks);  // the read buffer is given back
    phone_->services().replace<host::service::fw_file_seek>(seek);
    phone_->services().replace<host::service::fw_file_read>(read);
  }
}

TEST_F(CoverTest, FolderSearchOrder) {
  WriteTrack("t.mp3", 1);
  Put("Album.jpg", mp3w::tiny_jpeg(4, 4));
  Put("Cover.bmp", tiny_bmp(3, 3));
  Read();
  EXPECT_TRUE(Shows(3, 3));
  EXPECT_EQ(mdata->coversize, 0);

  Put("cover.JPG", mp3w::tiny_jpeg(6, 6));  // names match without regard to case
  Read();
  EXPECT_TRUE(Shows(6, 6));

  Put("COVER.png", mp3w::tiny_png(9, 1));
  Read();
  EXPECT_TRUE(Shows(9, 1));
}

TEST_F(CoverTest, UnloadableFolderPictureIsPassedOver) {
  WriteTrack("t.mp3", 1);
  Put("Cover.png", mp3w::Bytes(64, 0x11));
  Put("Album.png", mp3w::tiny_png(4, 5));
  Read();
  EXPECT_TRUE(Shows(4, 5));
}

TEST_F(CoverTest, NothingBesideTheTrackGivesTheProgramsPicture) {
  WriteTrack("t.mp3", 1);
  phone_->trace().clear();
  Read();
  EXPECT_TRUE(Shows(2, 2));
  EXPECT_EQ(CountTrace("fw_file_stat("), 6u + 1u);  // six names, and the stream parser's stat
  EXPECT_TRUE(Traced("fw_image_load(\"" + host::utf16_to_utf8(dir) + "\", \"NoCover.png\", ptr)"));
}

TEST_F(CoverTest, EachTrackChangeLoadsAgainAndReleasesThePreviousImage) {
  WriteTrack("t.mp3", 1);
  Put("Cover.jpg", mp3w::tiny_jpeg(6, 6));
  Read();
  IMAGEID first = BufferIMG;
  Read();
  EXPECT_EQ(CountTrace("fw_image_load(\"" + host::utf16_to_utf8(Folder()) + "\", \"Cover.jpg\""),
            2u);
  EXPECT_NE(BufferIMG, first);
  EXPECT_EQ(phone_->images().get(first), nullptr);
  EXPECT_EQ(phone_->images().live(), 1u);
}

TEST_F(CoverTest, TagsFileNameForMissingTitleAndHandleLifetime) {
  WriteTrack("t.mp3", 1);
  tags_.by_name[u"t.mp3"].text = {{0, u"Исполнитель"}, {2, u"Альбом"}, {4, u"Rock"}};
  Read();
  FwHandle h = mdata->handle;
  EXPECT_NE(h, 0u);
  EXPECT_EQ(std::u16string(mdata->title), u"t.mp3");
  EXPECT_EQ(std::u16string(mdata->artist), u"Исполнитель");
  EXPECT_EQ(std::u16string(mdata->album), u"Альбом");
  EXPECT_EQ(mdata->year, nullptr);
  EXPECT_EQ(std::u16string(mdata->genre), u"Rock");
  EXPECT_EQ(mdata->info.found, 1);
  EXPECT_EQ(mdata->info.bitrate, 128);
  EXPECT_EQ(mdata->info.frequency, 44100);
  Read();
  EXPECT_EQ(tags_.open.count(h), 0u);  // the previous handle is closed
  EXPECT_EQ(tags_.open.size(), 1u);
}

TEST_F(CoverTest, NoTagReaderMeansNoTags) {
  WriteTrack("t.mp3", 1);
  phone_->services().replace<host::service::fw_metadata_open>(+[](const char16_t*, const char16_t*) {
                               return FwHandle(0);
                             });
  Put("Cover.jpg", mp3w::tiny_jpeg(6, 6));
  Read();
  EXPECT_EQ(std::u16string(mdata->title), u"t.mp3");
  EXPECT_EQ(mdata->artist, nullptr);
  EXPECT_EQ(tags_.reads, 0);
  EXPECT_TRUE(Shows(6, 6));
}

TEST(CoverTypes, TypeStrings) {
  EXPECT_EQ(std::u16string(GetType_str(0)), u"jpg");
  EXPECT_EQ(std::u16string(GetType_str(1)), u"gif");
  EXPECT_EQ(std::u16string(GetType_str(2)), u"png");
  EXPECT_EQ(std::u16string(GetType_str(3)), u"bmp");
  EXPECT_EQ(GetType_str(4), nullptr);
  EXPECT_EQ(GetType_str(-1), nullptr);
}

}  // namespace
}  // namespace track_test
