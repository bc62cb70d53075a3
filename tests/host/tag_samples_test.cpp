// The demo's sample files, read by the phone's tag reader as the demo reads them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/wstr.h"
#include "phone/phone.h"
#include "tags/tag_reader.h"
#include "test_phone.h"

namespace {

namespace fs = std::filesystem;

std::string bytes_at(const fs::path& p, const host::TagPicture& pic, size_t n) {
  std::ifstream in(p, std::ios::binary);
  in.seekg(pic.offset);
  std::string s(n, '\0');
  in.read(s.data(), std::streamsize(n));
  return s;
}

TEST(TagSamples, EverySampleReadsAsDescribed) {
  host::Phone phone{host::Options{}};
  host::TagReader& tags = phone.tags();
  fs::path dir = ts::source_dir() / "samples";
  auto title = [](const host::TagData& d) {
    return host::utf16_to_utf8(d.text[host::TAG_TITLE].value_or(u""));
  };

  fs::path dawn = dir / "01 Dawn Chorus.mp3";
  host::TagData d = tags.read(dawn);
  EXPECT_EQ(title(d), "Dawn Chorus");
  ASSERT_TRUE(d.picture);
  EXPECT_EQ(d.picture->type, 2);
  EXPECT_EQ(bytes_at(dawn, *d.picture, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_LE(size_t(d.picture->offset + d.picture->size), fs::file_size(dawn));

  d = tags.read(dir / "02 Полночный вальс.mp3");
  EXPECT_EQ(title(d), "Полночный вальс");
  EXPECT_EQ(host::utf16_to_utf8(d.text[host::TAG_ARTIST].value_or(u"")), "Квинта");
  EXPECT_FALSE(d.picture);

  fs::path harbour = dir / "03 Harbour Lights.mp3";
  d = tags.read(harbour);
  EXPECT_EQ(title(d), "Harbour Lights");
  ASSERT_TRUE(d.picture);
  EXPECT_EQ(d.picture->type, 0);
  EXPECT_EQ(bytes_at(harbour, *d.picture, 3), "\xFF\xD8\xFF");

  d = tags.read(dir / "04 Untitled Tones.mp3");
  for (const auto& t : d.text) EXPECT_FALSE(t);
  EXPECT_FALSE(d.picture);

  EXPECT_EQ(title(tags.read(dir / "05 Drift.mp3")), "Drift (VBR)");

  d = tags.read(dir / "Seaside" / "06 Seaside.mp3");
  EXPECT_EQ(title(d), "Seaside");
  EXPECT_FALSE(d.picture);
  EXPECT_TRUE(fs::exists(dir / "Seaside" / "Cover.jpg"));
}

}  // namespace
