// The phone's tag reader: text in every ID3 version and encoding, the code page option, and where
// the picture lies in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/service_table.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "mp3w/mp3_writer.h"
#include "phone/phone.h"
#include "tags/tag_reader.h"

using namespace mp3w;

namespace {

const std::string kTitle = "Песня о ветре";
const std::string kArtist = "Кино";
const std::string kAlbum = "Группа крови";

class TagReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { make_phone({}); }
  void make_phone(host::Options options) {
    phone_.reset();
    phone_ = std::make_unique<host::Phone>(std::move(options));
    dir_ = phone_->files().root() / "music";
    std::filesystem::create_directories(dir_);
    phone_->files().mount(u"/card/Music", dir_);
  }

  // Writes tag + a few frames of silence; returns the file's bytes.
  Bytes put(const std::string& name, const Bytes& tag, const Bytes& tail = {}) {
    Bytes file = join({tag, frames(Frame{}, 20), tail});
    write_file(dir_ / name, file);
    return file;
  }
  host::TagData read(const std::string& name) { return phone_->tags().read(dir_ / name); }

  static std::u16string u(const std::string& s) { return host::utf8_to_utf16(s); }

  std::unique_ptr<host::Phone> phone_;
  std::filesystem::path dir_;
};

TEST_F(TagReaderTest, TextInEveryVersionAndEncoding) {
  struct Case {
    int version;
    Enc enc;
  } cases[] = {{2, Enc::Latin1}, {2, Enc::Utf16}, {3, Enc::Latin1}, {3, Enc::Utf16},
               {4, Enc::Latin1}, {4, Enc::Utf16}, {4, Enc::Utf16BE}, {4, Enc::Utf8}};
  for (const Case& c : cases) {
    Id3v2Tag tag(c.version);
    tag.text("TIT2", kTitle, c.enc).text("TPE1", kArtist, c.enc).text("TALB", kAlbum, c.enc);
    tag.text(c.version == 4 ? "TDRC" : "TYER", "1988", c.enc).text("TCON", "Rock", c.enc);
    tag.padding(64);
    put("t.mp3", tag.bytes());
    host::TagData d = read("t.mp3");
    std::string what = "v2." + std::to_string(c.version) + " encoding " + std::to_string(int(c.enc));
    ASSERT_TRUE(d.text[host::TAG_TITLE]) << what;
    EXPECT_EQ(*d.text[host::TAG_TITLE], u(kTitle)) << what;
    EXPECT_EQ(d.text[host::TAG_ARTIST].value_or(u"-"), u(kArtist)) << what;
    EXPECT_EQ(d.text[host::TAG_ALBUM].value_or(u"-"), u(kAlbum)) << what;
    EXPECT_EQ(d.text[host::TAG_YEAR].value_or(u"-"), u"1988") << what;
    EXPECT_EQ(d.text[host::TAG_GENRE].value_or(u"-"), u"Rock") << what;
    EXPECT_FALSE(d.picture) << what;
  }
}

TEST_F(TagReaderTest, CodePageOptionDecidesSingleByteText) {
  put("cp.mp3", Id3v2Tag(3).text("TIT2", kTitle, Enc::Latin1).bytes());
  EXPECT_EQ(read("cp.mp3").text[host::TAG_TITLE].value_or(u""), u(kTitle));

  host::Options latin;
  latin.codepage = "latin1";
  make_phone(latin);
  put("cp.mp3", Id3v2Tag(3).text("TIT2", "Кино", Enc::Latin1).bytes());
  // CP1251 bytes CA E8 ED EE read as ISO 8859-1.
  EXPECT_EQ(read("cp.mp3").text[host::TAG_TITLE].value_or(u""), u"\u00CA\u00E8\u00ED\u00EE");
}

TEST_F(TagReaderTest, Id3v1AloneAndAsFallback) {
  Id3v1 v1;
  v1.title = "Звезда";
  v1.artist = "Кино";
  v1.album = "Album";
  v1.year = "1989";
  v1.track = 3;
  v1.genre = 17;  // Rock
  put("v1.mp3", {}, id3v1(v1));
  host::TagData d = read("v1.mp3");
  EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), u("Звезда"));
  EXPECT_EQ(d.text[host::TAG_ARTIST].value_or(u""), u("Кино"));
  EXPECT_EQ(d.text[host::TAG_YEAR].value_or(u""), u"1989");
  EXPECT_EQ(d.text[host::TAG_GENRE].value_or(u""), u"Rock");

  // ID3v2 wins where it has a value; ID3v1 fills the rest.
  put("both.mp3", Id3v2Tag(4).text("TIT2", "Title 2", Enc::Utf8).bytes(), id3v1(v1));
  d = read("both.mp3");
  EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), u"Title 2");
  EXPECT_EQ(d.text[host::TAG_ARTIST].value_or(u""), u("Кино"));
}

TEST_F(TagReaderTest, ServicesHandOutTextOwnedByTheHandle) {
  put("Song.mp3", Id3v2Tag(3).text("TIT2", kTitle, Enc::Utf16).text("TPE1", "X").bytes());
  host::TagReader& tags = phone_->tags();
  FwHandle h = host::svc::fw_metadata_open(u"/card/music", u"SONG.MP3");  // any case, as on FAT
  ASSERT_NE(h, 0u);
  FwHandle h2 = host::svc::fw_metadata_open(u"/card/Music", u"Song.mp3");
  EXPECT_NE(h, h2);
  EXPECT_EQ(tags.live(), 2u);

  const char16_t* title = host::svc::fw_metadata_get_tag(h, host::TAG_TITLE);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(std::u16string(title), u(kTitle));
  EXPECT_EQ(host::svc::fw_metadata_get_tag(h, host::TAG_ALBUM), nullptr);  // absent
  EXPECT_EQ(host::svc::fw_metadata_get_tag(h, 7), nullptr);
  EXPECT_EQ(host::svc::fw_metadata_get_tag(h + 100, host::TAG_TITLE), nullptr);

  host::svc::fw_metadata_close(h2);
  EXPECT_EQ(std::u16string(title), u(kTitle));  // still valid: its handle is open
  host::svc::fw_metadata_close(h);
  host::svc::fw_metadata_close(h);  // a second close does nothing
  EXPECT_EQ(tags.live(), 0u);

  EXPECT_EQ(host::svc::fw_metadata_open(u"/card/Music", u"absent.mp3"), 0u);
  EXPECT_EQ(host::svc::fw_metadata_open(nullptr, u"Song.mp3"), 0u);
  EXPECT_EQ(tags.live(), 0u);
}

// The reported picture: checks offset and size against the writer and the bytes in the file.
void expect_picture(const host::TagData& d, const Bytes& file, const Bytes& data, size_t offset,
                    uint8_t type, const std::string& what) {
  ASSERT_TRUE(d.picture) << what;
  EXPECT_EQ(d.picture->type, type) << what;
  EXPECT_EQ(size_t(d.picture->size), data.size()) << what;
  EXPECT_EQ(size_t(d.picture->offset), offset) << what;
  ASSERT_LE(size_t(d.picture->offset) + size_t(d.picture->size), file.size()) << what;
  EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + d.picture->offset)) << what;
}

TEST_F(TagReaderTest, PictureOffsetsInEveryLayout) {
  const Bytes png = tiny_png(), jpeg = tiny_jpeg();
  struct Case {
    int version;
    Enc enc;
    std::string description;
    bool ext, footer, dli;
  } cases[] = {
      {2, Enc::Latin1, "", false, false, false},
      {2, Enc::Utf16, "A", false, false, false},
      {3, Enc::Latin1, "cover", false, false, false},
      {3, Enc::Utf16, "A", false, false, false},   // 41 00 then the aligned 00 00
      {3, Enc::Utf16, "Обложка", false, false, false},
      {3, Enc::Latin1, "cover", true, false, false},
      {3, Enc::Utf16, "A", true, false, false},
      {4, Enc::Utf16, "Обложка", true, false, false},
      {4, Enc::Utf16BE, "B", false, false, false},  // 00 42 00 00
      {4, Enc::Utf8, "обложка", true, true, false},
      {4, Enc::Latin1, "", false, false, true},
      {4, Enc::Utf16, "A", true, false, true},
  };
  for (const Case& c : cases) {
    for (bool use_png : {true, false}) {
      const Bytes& data = use_png ? png : jpeg;
      Id3v2Tag tag(c.version);
      tag.text("TIT2", "Title", Enc::Latin1)
          .picture(data, use_png ? "image/png" : "image/jpeg", c.enc, c.description)
          .text("TALB", "After", Enc::Latin1)
          .extended_header(c.ext)
          .footer(c.footer)
          .data_length_indicator(c.dli)
          .padding(c.footer ? 0 : 200);
      Bytes file = put("p.mp3", tag.bytes());
      std::string what = "v2." + std::to_string(c.version) + " enc " + std::to_string(int(c.enc)) +
                         (use_png ? " png" : " jpeg") + (c.ext ? " ext" : "") +
                         (c.footer ? " footer" : "") + (c.dli ? " dli" : "");
      host::TagData d = read("p.mp3");
      expect_picture(d, file, data, tag.picture_offsets().at(0), use_png ? 2 : 0, what);
      EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), u"Title") << what;
      EXPECT_EQ(d.text[host::TAG_ALBUM].value_or(u""), u"After") << what;
    }
  }
}

// Tags that TagLib 1.13 reads short on its own: the reader hands it a normalised copy of the tag
// (no extended header, no footer, no whole-tag unsynchronisation), reads the year from the release
// dates when there is no recording date, and finds a tag that ends the file by its footer.
TEST_F(TagReaderTest, TagsTagLibAloneReadsShort) {
  // A picture that unsynchronisation leaves as it is, so that it lies verbatim in the file.
  Bytes pic;
  for (int w = 2; pic.empty() || std::count(pic.begin(), pic.end(), 0xFF); ++w) pic = tiny_png(w, 3);
  Id3v1 v1;
  v1.title = "Old";
  v1.year = "1980";
  struct Case {
    std::string what;
    Bytes head, tail;
    std::string album, year;
    bool picture;
  } cases[] = {
      {"v2.3 extended header",
       Id3v2Tag(3).text("TIT2", "Title").text("TALB", "Album").text("TYER", "1999")
           .extended_header().bytes(), {}, "Album", "1999", false},
      {"v2.4 footer",
       Id3v2Tag(4).text("TIT2", "Title").text("TDRC", "2001").text("TALB", "Album").footer().bytes(),
       {}, "Album", "2001", false},
      {"v2.3 unsynchronised, UTF-16 before the picture",
       Id3v2Tag(3).text("TIT2", "Title", Enc::Utf16).text("TALB", "Album", Enc::Utf16)
           .picture(pic, "image/png", Enc::Utf16, "Обложка").unsynchronise().bytes(),
       {}, "Album", "", true},
      {"v2.4 release date only",
       Id3v2Tag(4).text("TIT2", "Title").text("TALB", "Album").text("TDRL", "2004-02-01").bytes(),
       {}, "Album", "2004", false},
      {"v2.4 original release date only",
       Id3v2Tag(4).text("TIT2", "Title", Enc::Utf8).text("TDOR", "1971", Enc::Utf8)
           .text("TALB", "Album").bytes(), {}, "Album", "1971", false},
      {"v2.4 at the end, footer, then ID3v1",
       {}, join({Id3v2Tag(4).text("TIT2", "Title").text("TALB", "Album").picture(pic, "image/png")
                     .footer().bytes(), id3v1(v1)}), "Album", "1980", true},
  };
  for (const Case& c : cases) {
    Bytes file = put("n.mp3", c.head, c.tail);
    host::TagData d = read("n.mp3");
    EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), u"Title") << c.what;
    EXPECT_EQ(d.text[host::TAG_ALBUM].value_or(u""), u(c.album)) << c.what;
    EXPECT_EQ(d.text[host::TAG_YEAR].value_or(u""), u(c.year)) << c.what;
    if (c.picture) {
      size_t at = size_t(std::search(file.begin(), file.end(), pic.begin(), pic.end()) - file.begin());
      expect_picture(d, file, pic, at, 2, c.what);
    } else {
      EXPECT_FALSE(d.picture) << c.what;
    }
  }
}

// A large file is never searched for a tag: a tag starts the file, ends it (ID3v1, or v2.4 with its
// footer), or is not read. (TagLib alone searches the whole file for an ID3v2 tag when no MPEG
// frame starts it, which takes seconds for 100 MB.)
TEST_F(TagReaderTest, OnlyTheEndsOfALargeFileAreRead) {
  const Bytes deep = Id3v2Tag(3).text("TIT2", "Deep inside").bytes();
  Id3v1 end;
  end.title = "At the end";
  const Bytes v1 = id3v1(end);
  for (bool with_v1 : {false, true}) {
    {
      std::ofstream out(dir_ / "big.mp3", std::ios::binary);
      out << "no frame here";
      out.seekp(50 << 20);
      out.write(reinterpret_cast<const char*>(deep.data()), std::streamsize(deep.size()));
    }
    std::filesystem::resize_file(dir_ / "big.mp3", (100u << 20) - (with_v1 ? 128 : 0));
    if (with_v1) {
      std::ofstream out(dir_ / "big.mp3", std::ios::binary | std::ios::app);
      out.write(reinterpret_cast<const char*>(v1.data()), std::streamsize(v1.size()));
    }
    host::TagData d = read("big.mp3");
    EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), with_v1 ? u"At the end" : u"") << with_v1;
  }
}

TEST_F(TagReaderTest, FrontCoverIsPreferred) {
  const Bytes back = tiny_jpeg(4, 4), front = tiny_png(6, 6);
  Id3v2Tag tag(3);
  tag.picture(back, "image/jpeg", Enc::Latin1, "back", 4).picture(front, "image/png", Enc::Latin1, "front", 3);
  Bytes file = put("two.mp3", tag.bytes());
  expect_picture(read("two.mp3"), file, front, tag.picture_offsets().at(1), 2, "front");
}

TEST_F(TagReaderTest, TypeFromFormatOrSignature) {
  Bytes bmp = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9};
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0};
  struct Case {
    int version;
    std::string format;
    Bytes data;
    int type;  // -1: not reported
  } cases[] = {
      {2, "BMP", bmp, 3},           {2, "GIF", gif, 1},          {3, "image/bmp", bmp, 3},
      {3, "image/gif", gif, 1},     {3, "", tiny_png(), 2},      {3, "image/x-unknown", tiny_jpeg(), 0},
      {3, "image/webp", Bytes{'R', 'I', 'F', 'F', 0, 0}, -1},   {3, "-->", Bytes{'h', 't', 't', 'p'}, -1},
  };
  for (const Case& c : cases) {
    Id3v2Tag tag(c.version);
    tag.picture(c.data, c.format);
    Bytes file = put("type.mp3", tag.bytes());
    host::TagData d = read("type.mp3");
    if (c.type < 0) {
      EXPECT_FALSE(d.picture) << c.format;
    } else {
      expect_picture(d, file, c.data, tag.picture_offsets().at(0), uint8_t(c.type), c.format);
    }
  }
}

TEST_F(TagReaderTest, UnsynchronisedPictureIsNotReported) {
  const Bytes jpeg = tiny_jpeg();  // begins FF D8 FF E0: unsynchronisation changes it
  ASSERT_NE(unsynchronise(jpeg), jpeg);
  for (int version : {2, 3, 4}) {
    Id3v2Tag tag(version);
    tag.text("TIT2", "Still read", Enc::Latin1).picture(jpeg, "image/jpeg").unsynchronise();
    put("u.mp3", tag.bytes());
    host::TagData d = read("u.mp3");
    EXPECT_FALSE(d.picture) << "v2." << version;
    EXPECT_EQ(d.text[host::TAG_TITLE].value_or(u""), u"Still read") << "v2." << version;
  }
  // Data that unsynchronisation leaves alone lies verbatim in the file.
  Bytes plain = {'B', 'M', 0x10, 0x20, 0x30, 0x40};
  Id3v2Tag tag(3);
  tag.picture(plain, "image/bmp").unsynchronise();
  Bytes file = put("u2.mp3", tag.bytes());
  expect_picture(read("u2.mp3"), file, plain, tag.picture_offsets().at(0), 3, "verbatim");
}

TEST_F(TagReaderTest, CompressedOrBrokenPictureFramesAreNotReported) {
  // A v2.3 picture frame flagged as compressed or encrypted holds no verbatim picture.
  for (uint16_t flags : {uint16_t(0x0080), uint16_t(0x0040)}) {
    Bytes body = {0};
    std::string mime = "image/png";
    body.insert(body.end(), mime.begin(), mime.end());
    body.push_back(0);
    body.push_back(3);
    body.push_back(0);
    Bytes png = tiny_png();
    body.insert(body.end(), png.begin(), png.end());
    put("c.mp3", Id3v2Tag(3).frame("APIC", body, flags).bytes());
    EXPECT_FALSE(read("c.mp3").picture) << flags;
  }
  // A tag cut off inside its picture.
  Id3v2Tag tag(3);
  tag.picture(tiny_png(32, 32), "image/png");
  Bytes whole = tag.bytes();
  whole.resize(whole.size() - 20);
  write_file(dir_ / "cut.mp3", whole);
  EXPECT_FALSE(read("cut.mp3").picture);
  // An empty picture.
  put("empty.mp3", Id3v2Tag(3).picture(Bytes{}, "image/png").bytes());
  EXPECT_FALSE(read("empty.mp3").picture);
}

TEST_F(TagReaderTest, CoverServiceReportsThePicture) {
  const Bytes png = tiny_png();
  Id3v2Tag tag(4);
  tag.picture(png, "image/png", Enc::Utf16, "Обложка");
  put("c.mp3", tag.bytes());
  put("none.mp3", Id3v2Tag(4).text("TIT2", "x", Enc::Utf8).bytes());

  FwHandle h = host::svc::fw_metadata_open(u"/card/Music", u"c.mp3");
  uint8_t type = 9;
  int size = -1, offset = -1;
  EXPECT_EQ(host::svc::fw_metadata_get_cover(h, &type, &size, &offset), 1);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(size, int(png.size()));
  EXPECT_EQ(offset, int(tag.picture_offsets().at(0)));

  FwHandle n = host::svc::fw_metadata_open(u"/card/Music", u"none.mp3");
  EXPECT_EQ(host::svc::fw_metadata_get_cover(n, &type, &size, &offset), 0);
  EXPECT_EQ(host::svc::fw_metadata_get_cover(0, &type, &size, &offset), 0);
  host::svc::fw_metadata_close(h);
  host::svc::fw_metadata_close(n);
  EXPECT_EQ(phone_->tags().live(), 0u);
}

TEST_F(TagReaderTest, FileWithoutTags) {
  put("bare.mp3", {});
  FwHandle h = host::svc::fw_metadata_open(u"/card/Music", u"bare.mp3");
  ASSERT_NE(h, 0u);
  for (int id = 0; id < 5; ++id) EXPECT_EQ(host::svc::fw_metadata_get_tag(h, id), nullptr) << id;
  EXPECT_EQ(host::svc::fw_metadata_get_cover(h, nullptr, nullptr, nullptr), 0);
  host::svc::fw_metadata_close(h);
}

}  // namespace
