// The stream parser on generated files, read through the phone's file services.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "addon_state.h"
#include "core/service_table.h"
#include "core/trace.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "mp3/mp3.h"
#include "mp3w/mp3_writer.h"
#include "phone/phone.h"

using namespace mp3w;

namespace {

class Mp3Parser : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAddOnGlobals();
    phone_ = std::make_unique<host::Phone>(host::Options{});
    fw_services = phone_->services().table();
    dir_ = phone_->files().root() / "music";
    std::filesystem::create_directories(dir_);
    phone_->files().mount(u"/card/Music", dir_);
  }
  void TearDown() override {
    EXPECT_EQ(phone_->files().open_files(), 0u);
    phone_.reset();
  }

  MP3_INFO parse(const std::string& name, const Bytes& bytes) {
    write_file(dir_ / name, bytes);
    return parse(name);
  }
  MP3_INFO parse(const std::string& name) {
    std::u16string n = host::utf8_to_utf16(name);
    return ReadMP3Information(u"/card/Music", n.c_str());
  }
  // Zeros up to `size` bytes.
  static Bytes pad_to(Bytes b, size_t size) {
    b.resize(size, 0);
    return b;
  }

  std::unique_ptr<host::Phone> phone_;
  std::filesystem::path dir_;
};

TEST(Mp3Fields, SynchsafeDecodingCountsStrayTopBits) {
  const uint8_t size4096[] = {0x00, 0x00, 0x20, 0x00};
  EXPECT_EQ(synchsafeToNormal(size4096), 4096u);
  const uint8_t full[] = {0x7F, 0x7F, 0x7F, 0x7F};
  EXPECT_EQ(synchsafeToNormal(full), 0x0FFFFFFFu);
  const uint8_t top0[] = {0x80, 0, 0, 0};
  EXPECT_EQ(synchsafeToNormal(top0), 1u << 28);
  const uint8_t top3[] = {0, 0, 0, 0x80};
  EXPECT_EQ(synchsafeToNormal(top3), 128u);
}

TEST(Mp3Fields, HeaderFieldsAndValidity) {
  Frame f;
  f.version = MPEG2;
  f.layer = 2;
  f.bitrate = 12;
  f.frequency = 1;
  f.mode = DUAL_CHANNEL;
  f.emphasis = 1;
  LoadMP3Header(header_bytes(f).data());
  EXPECT_EQ(getFrameSync(), 0x7FFu);
  EXPECT_EQ(getVersionIndex(), 2u);
  EXPECT_EQ(getLayerIndex(), 2u);
  EXPECT_EQ(getBitrateIndex(), 12u);
  EXPECT_EQ(getFrequencyIndex(), 1u);
  EXPECT_EQ(getModeIndex(), 2u);
  EXPECT_EQ(getEmphasisIndex(), 1u);
  EXPECT_EQ(IsValidHeader(), 1);
  EXPECT_EQ(getFrequency(), 24000);

  struct Bad {
    const char* what;
    void (*spoil)(Frame&);
  } bad[] = {
      {"free format", [](Frame& x) { x.bitrate = 0; }},
      {"bitrate 15", [](Frame& x) { x.bitrate = 15; }},
      {"frequency 3", [](Frame& x) { x.frequency = 3; }},
      {"version 1", [](Frame& x) { x.version = 1; }},
      {"layer 0", [](Frame& x) { x.layer = 0; }},
      {"emphasis 2", [](Frame& x) { x.emphasis = 2; }},
  };
  for (const Bad& b : bad) {
    Frame g;
    b.spoil(g);
    LoadMP3Header(header_bytes(g).data());
    EXPECT_EQ(IsValidHeader(), 0) << b.what;
  }
  const uint8_t no_sync[] = {0xFF, 0xC0 | 0x1B, 0x90, 0x00};
  LoadMP3Header(no_sync);
  EXPECT_EQ(IsValidHeader(), 0);
}

TEST(Mp3Fields, SampleRatesOfEveryVersion) {
  const int expect[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  for (int v = 0; v < 4; ++v)
    for (int i = 0; i < 3; ++i) {
      Frame f;
      f.version = v;
      f.frequency = i;
      LoadMP3Header(header_bytes(f).data());
      EXPECT_EQ(getFrequency(), expect[v][i]) << "version " << v << " index " << i;
    }
}

TEST(Mp3Fields, BitrateTablesMatchTheStandard) {
  for (int version : {MPEG1, MPEG2, MPEG25})
    for (int layer = 1; layer <= 3; ++layer)
      for (int index = 1; index < 15; ++index) {
        Frame f;
        f.version = version;
        f.layer = layer;
        f.bitrate = index;
        boolVBitRate = 0;
        LoadMP3Header(header_bytes(f).data());
        EXPECT_EQ(getBitrate(), bitrate_kbps(f)) << version << "/" << layer << "/" << index;
      }
}

TEST_F(Mp3Parser, PlainStreamWithoutTag) {
  Frame f;
  f.mode = JOINT_STEREO;
  Bytes file = frames(f, 100);
  MP3_INFO info = parse("plain.mp3", file);
  EXPECT_EQ(info.found, 1);
  EXPECT_EQ(info.tagsize, 0);
  EXPECT_EQ(info.audiosize, int32_t(file.size()));
  EXPECT_EQ(info.bitrate, 128);
  EXPECT_EQ(info.frequency, 44100);
  EXPECT_EQ(info.mode, 1);
  EXPECT_EQ(info.vbr, 0);
  EXPECT_EQ(info.length, int32_t(file.size()) * 8 / 1000 / 128);
}

TEST_F(Mp3Parser, TagSizeIsSkippedFromItsDecodedValue) {
  // 00 00 20 00: the search starts at byte 4096 (the ten header bytes are not added).
  Bytes head = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x20, 0x00};
  Frame first;                 // 128 kbit/s at 4096
  Frame later = first;
  later.bitrate = 5;           // 64 kbit/s at 4106, where a search from 4106 would land
  Bytes file = pad_to(head, 4096);
  Bytes a = header_bytes(first);
  file.insert(file.end(), a.begin(), a.end());
  file.resize(4106, 0);
  Bytes b = header_bytes(later);
  file.insert(file.end(), b.begin(), b.end());
  file = pad_to(file, 4000000);

  MP3_INFO info = parse("tagged.mp3", file);
  EXPECT_EQ(info.tagsize, 4096);
  EXPECT_EQ(info.audiosize, 3995904);
  EXPECT_EQ(lngFileSize, 3995904);
  EXPECT_EQ(info.bitrate, 128);
  EXPECT_EQ(info.frequency, 44100);
  EXPECT_EQ(info.length, 249);
}

TEST_F(Mp3Parser, XingAverageBitrateMpeg1LayerIII) {
  Frame f;
  MP3_INFO info = parse("vbr.mp3", pad_to(xing_frame(f, 10000), 5000000));
  EXPECT_EQ(info.vbr, 1);
  EXPECT_EQ(boolVBitRate, 1);
  EXPECT_EQ(intVFrames, 10000);
  EXPECT_EQ(info.bitrate, 153);  // 153.125
  EXPECT_EQ(info.length, 261);   // 40000 / 153
}

TEST_F(Mp3Parser, XingFactorFollowsLayerAndVersion) {
  struct Case {
    int version, layer, frequency;
    int32_t bitrate;
  } cases[] = {
      {MPEG2, 1, 1, 166},   // 500 * 24000 / 72000: 576-sample frames
      {MPEG25, 1, 1, 83},   // 500 * 12000 / 72000
      {MPEG1, 3, 0, 459},   // Layer I: 500 * 44100 / 48000
      {MPEG2, 2, 0, 76},    // Layer II keeps 144: 500 * 22050 / 144000
  };
  for (const Case& c : cases) {
    Frame f;
    f.version = c.version;
    f.layer = c.layer;
    f.frequency = c.frequency;
    f.bitrate = 10;
    MP3_INFO info = parse("k.mp3", pad_to(xing_frame(f, 10000), 5000000));
    EXPECT_EQ(info.vbr, 1);
    EXPECT_EQ(info.bitrate, c.bitrate) << c.version << "/" << c.layer;
    EXPECT_EQ(info.length, 40000 / c.bitrate);
  }
}

TEST_F(Mp3Parser, XingWithoutUsableFrameCountUsesTheHeaderBitrate) {
  Frame f;  // 128 kbit/s
  MP3_INFO none = parse("noflag.mp3", join({xing_frame(f, std::nullopt, 1000), frames(f, 20)}));
  EXPECT_EQ(none.vbr, 1);
  EXPECT_EQ(intVFrames, -1);
  EXPECT_EQ(none.bitrate, 128);
  EXPECT_EQ(none.length, none.audiosize * 8 / 1000 / 128);

  MP3_INFO zero = parse("zero.mp3", join({xing_frame(f, 0), frames(f, 20)}));
  EXPECT_EQ(zero.vbr, 1);
  EXPECT_EQ(intVFrames, 0);
  EXPECT_EQ(zero.bitrate, 128);

  MP3_INFO huge = parse("neg.mp3", join({xing_frame(f, 0xFFFFFFFFu), frames(f, 20)}));
  EXPECT_EQ(huge.bitrate, 128);
}

TEST_F(Mp3Parser, InfoHeaderIsNotVbr) {
  Frame f;
  f.bitrate = 11;  // 192
  MP3_INFO info = parse("info.mp3", join({xing_frame(f, 50, std::nullopt, true), frames(f, 50)}));
  EXPECT_EQ(info.vbr, 0);
  EXPECT_EQ(info.bitrate, 192);
}

TEST_F(Mp3Parser, XingIsLookedForAfterTheSideInformation) {
  struct Case {
    int version, mode, offset;
  } cases[] = {
      {MPEG1, SINGLE_CHANNEL, 21}, {MPEG1, STEREO, 36}, {MPEG1, DUAL_CHANNEL, 36},
      {MPEG2, STEREO, 21},         {MPEG2, SINGLE_CHANNEL, 13},
      {MPEG25, STEREO, 21},        {MPEG25, SINGLE_CHANNEL, 13},
  };
  for (const Case& c : cases) {
    Frame f;
    f.version = c.version;
    f.mode = c.mode;
    f.bitrate = 8;
    for (int at : {c.offset, c.offset == 21 ? 36 : 21}) {
      Bytes frame = header_bytes(f);
      frame.resize(frame_length(f), 0);
      const uint8_t xing[] = {'X', 'i', 'n', 'g', 0, 0, 0, 1, 0, 0, 0x10, 0};
      std::copy(std::begin(xing), std::end(xing), frame.begin() + at);
      // Junk without sync bytes in front, so the frame starts at an odd position.
      Bytes file(777, 0x55);
      file.insert(file.end(), frame.begin(), frame.end());
      MP3_INFO info = parse("side.mp3", join({file, frames(f, 10)}));
      EXPECT_EQ(info.vbr, at == c.offset ? 1 : 0)
          << "version " << c.version << " mode " << c.mode << " at " << at;
    }
  }
}

TEST_F(Mp3Parser, InvalidCandidatesAreSkippedByteByByte) {
  Bytes file;
  auto spoiled = [](void (*spoil)(Frame&)) {
    Frame g;
    spoil(g);
    return header_bytes(g);
  };
  for (auto spoil : {+[](Frame& x) { x.bitrate = 0; }, +[](Frame& x) { x.bitrate = 15; },
                     +[](Frame& x) { x.frequency = 3; }, +[](Frame& x) { x.version = 1; },
                     +[](Frame& x) { x.layer = 0; }, +[](Frame& x) { x.emphasis = 2; }}) {
    Bytes b = spoiled(spoil);
    file.insert(file.end(), b.begin(), b.end());
    file.insert(file.end(), 3, 0);
  }
  Frame good;
  good.version = MPEG2;
  good.frequency = 2;  // 16000
  good.bitrate = 4;    // 32
  good.mode = SINGLE_CHANNEL;
  MP3_INFO info = parse("skip.mp3", join({file, xing_frame(good, std::nullopt), frames(good, 5)}));
  EXPECT_EQ(info.found, 1);
  EXPECT_EQ(info.frequency, 16000);
  EXPECT_EQ(info.bitrate, 32);
  EXPECT_EQ(info.mode, 3);
  EXPECT_EQ(info.vbr, 1);  // found at its exact position
}

// A file system that delivers at most 1000 bytes a read, as a slow card may.
host::service::fw_file_read::entry g_full_read = nullptr;
int short_read(int fd, void* buf, int size) { return g_full_read(fd, buf, std::min(size, 1000)); }

TEST_F(Mp3Parser, HeadersAcrossReadBlocksAreFound) {
  Frame f;
  for (bool short_reads : {false, true}) {
    if (short_reads) g_full_read = phone_->services().replace<host::service::fw_file_read>(short_read);
    for (size_t junk : {4092u, 4093u, 4094u, 4095u, 4096u, 4097u, 8189u, 8190u, 12290u}) {
      Bytes file(junk, 0x11);
      MP3_INFO info = parse("edge.mp3", join({file, xing_frame(f, 100), frames(f, 3)}));
      EXPECT_EQ(info.found, 1) << junk << (short_reads ? " with short reads" : "");
      EXPECT_EQ(info.vbr, 1) << junk << (short_reads ? " with short reads" : "");
    }
  }
}

TEST_F(Mp3Parser, SearchReadsInBlocks) {
  Bytes file(200000, 0x22);
  uint64_t before = phone_->files().reads();
  MP3_INFO info = parse("junk.mp3", file);
  EXPECT_EQ(info.found, 0);
  EXPECT_LT(phone_->files().reads() - before, 100u);
}

TEST_F(Mp3Parser, NoHeaderGivesZerosAndKeepsTheVbrState) {
  Frame f;
  parse("vbr.mp3", pad_to(xing_frame(f, 10000), 5000000));
  ASSERT_EQ(boolVBitRate, 1);
  MP3_INFO info = parse("nothing.mp3", Bytes(5000, 0x33));
  EXPECT_EQ(info.found, 0);
  EXPECT_EQ(info.bitrate, 0);
  EXPECT_EQ(info.frequency, 0);
  EXPECT_EQ(info.mode, 0);
  EXPECT_EQ(info.vbr, 0);
  EXPECT_EQ(info.length, 0);
  EXPECT_EQ(info.audiosize, 5000);
  EXPECT_EQ(boolVBitRate, 1);
  EXPECT_EQ(intVFrames, 10000);
}

TEST_F(Mp3Parser, ShortAndTruncatedFiles) {
  MP3_INFO empty = parse("empty.mp3", Bytes{});
  EXPECT_EQ(empty.found, 0);
  EXPECT_EQ(empty.audiosize, 0);
  EXPECT_EQ(empty.tagsize, 0);

  // Shorter than ten bytes: no tag, even when it begins with "ID3".
  MP3_INFO id3 = parse("id3.mp3", Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 1});
  EXPECT_EQ(id3.tagsize, 0);
  EXPECT_EQ(id3.audiosize, 9);

  // A header whose last byte is missing does not count.
  Frame f;
  Bytes cut = header_bytes(f);
  cut.pop_back();
  EXPECT_EQ(parse("cut.mp3", join({Bytes(5000, 0x44), cut})).found, 0);

  // A Xing header cut after its flags' first bytes: the missing bytes are not a frame count.
  Bytes x = xing_frame(f, 10000);
  x.resize(4 + 32 + 6);
  MP3_INFO xi = parse("xcut.mp3", x);
  EXPECT_EQ(xi.found, 1);
  EXPECT_EQ(xi.vbr, 1);
  EXPECT_EQ(intVFrames, -1);
  EXPECT_EQ(xi.bitrate, 128);
}

TEST_F(Mp3Parser, SmallTagAndXingHeaderComeFromOneRead) {
  Id3v2Tag tag(3);
  tag.text("TIT2", "Title");
  Frame f;
  phone_->trace().capture(true);
  MP3_INFO info = parse("one.mp3", join({tag.bytes(), xing_frame(f, 500), frames(f, 20)}));
  EXPECT_EQ(info.found, 1);
  EXPECT_EQ(info.vbr, 1);
  std::vector<std::string> calls;
  for (const std::string& line : phone_->trace().lines()) calls.push_back(line.substr(0, line.find('(')));
  EXPECT_EQ(calls, (std::vector<std::string>{"fw_file_open", "fw_file_stat", "fw_file_read",
                                             "fw_file_close"}));
}

TEST_F(Mp3Parser, TagLargerThanTheFile) {
  Bytes file = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  Frame f;
  file = join({file, frames(f, 3)});
  phone_->trace().capture(true);
  MP3_INFO info = parse("bigtag.mp3", file);
  EXPECT_EQ(info.tagsize, 0x0FFFFFFF);
  EXPECT_EQ(info.audiosize, 0);
  EXPECT_EQ(info.found, 0);
  EXPECT_EQ(info.length, 0);
  size_t reads = 0;
  for (const std::string& line : phone_->trace().lines())
    if (line.rfind("fw_file_read", 0) == 0) ++reads;
  EXPECT_EQ(reads, 1u);  // the first block only
}

TEST_F(Mp3Parser, MissingFileTouchesNoHandle) {
  phone_->trace().capture(true);
  MP3_INFO info = ReadMP3Information(u"/card/Music", u"absent.mp3");
  EXPECT_EQ(info.found, 0);
  EXPECT_EQ(info.audiosize, 0);
  EXPECT_EQ(info.tagsize, 0);
  EXPECT_EQ(lngFileSize, 0);
  for (const std::string& line : phone_->trace().lines()) {
    EXPECT_EQ(line.find("fw_file_read"), std::string::npos) << line;
    EXPECT_EQ(line.find("fw_file_close"), std::string::npos) << line;
  }
}

TEST_F(Mp3Parser, RefusedOpenOrStatReadsNothingAndLeavesNoFileOpen) {
  write_file(dir_ / "locked.mp3", frames(Frame{}, 5));
  for (bool refuse_open : {true, false}) {
    SCOPED_TRACE(refuse_open ? "open refused" : "stat refused");
    auto open = phone_->services().entry<host::service::fw_file_open>();
    auto stat = phone_->services().entry<host::service::fw_file_stat>();
    if (refuse_open)
      phone_->services().replace<host::service::fw_file_open>(
          +[](const char16_t*, const char16_t*, int, int, int) { return -1; });
    else
      phone_->services().replace<host::service::fw_file_stat>(
          +[](const char16_t*, const char16_t*, FSTAT*) { return -1; });
    phone_->trace().clear();
    phone_->trace().capture(true);
    MP3_INFO info = parse("locked.mp3");
    EXPECT_EQ(info.found, 0);
    EXPECT_EQ(info.audiosize, 0);
    EXPECT_EQ(info.tagsize, 0);
    EXPECT_EQ(lngFileSize, 0);
    EXPECT_EQ(phone_->files().open_files(), 0u);
    for (const std::string& line : phone_->trace().lines())
      EXPECT_EQ(line.find("fw_file_read"), std::string::npos) << line;
    phone_->services().replace<host::service::fw_file_open>(open);
    phone_->services().replace<host::service::fw_file_stat>(stat);
  }
}

TEST_F(Mp3Parser, LengthOfVeryLargeAudioDoesNotOverflow) {
  // 300 MiB, sparse: one frame header at the start, zeros after it.
  std::filesystem::path p = dir_ / "huge.mp3";
  write_file(p, header_bytes(Frame{}));
  std::filesystem::resize_file(p, 300u << 20);
  MP3_INFO info = parse("huge.mp3");
  EXPECT_EQ(info.audiosize, 314572800);
  EXPECT_EQ(info.bitrate, 128);
  EXPECT_EQ(info.length, int32_t(314572800LL * 8 / 1000 / 128));  // 19660 s
}

}  // namespace
