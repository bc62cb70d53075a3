// Images from the phone's files and from the add-on's memory: formats, names without regard to
// case, ownership of the buffer, ids and counts.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "core/memory.h"
#include "core/service_table.h"
#include "core/trace.h"
#include "files/file_system.h"
#include "gfx_test_util.h"
#include "images/picture_output.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

using gfx_test::make_phone;
namespace fs = std::filesystem;
namespace svc = host::svc;

// A 24-bit BMP exactly as the add-on's snapshot builds one: the 54-byte header, then rows from
// the bottom up, each pixel blue, green, red, no row padding.
std::vector<uint8_t> snapshot_bmp(int w, int h, uint32_t (*rgb)(int x, int y)) {
  std::vector<uint8_t> b(54 + size_t(w) * size_t(h) * 3, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  b[26] = 1;
  b[28] = 24;
  put32(34, uint32_t(w * h * 3));
  size_t at = 54;
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      uint32_t c = rgb(x, y);
      b[at++] = uint8_t(c);
      b[at++] = uint8_t(c >> 8);
      b[at++] = uint8_t(c >> 16);
    }
  return b;
}

// Copies bytes into a block of the add-on's allocator, as fw_malloc would hand it out.
void* addon_buffer(host::Phone& p, const std::vector<uint8_t>& bytes) {
  void* buf = p.memory().alloc(bytes.size());
  std::memcpy(buf, bytes.data(), bytes.size());
  return buf;
}

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              std::streamsize(bytes.size()));
}

void stb_to_vector(void* ctx, void* data, int size) {
  auto* v = static_cast<std::vector<uint8_t>*>(ctx);
  v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

TEST(ImageStore, LoadsEveryFormatFromFilesWhateverTheCaseOfTheName) {
  auto phone = make_phone();
  const char16_t* folder = phone->files().dir(DIR_CONFIG_2);
  fs::path dir = phone->files().dir_path(DIR_CONFIG_2);
  fs::create_directories(dir);
  std::vector<uint8_t> rgb(6 * 4 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 255;  // red
  std::vector<uint8_t> png, jpg, bmp;
  stbi_write_png_to_func(stb_to_vector, &png, 6, 4, 3, rgb.data(), 18);
  stbi_write_jpg_to_func(stb_to_vector, &jpg, 6, 4, 3, rgb.data(), 95);
  stbi_write_bmp_to_func(stb_to_vector, &bmp, 6, 4, 3, rgb.data());
  write_bytes(dir / "COVER.PNG", png);
  write_bytes(dir / "Folder.jpg", jpg);
  write_bytes(dir / "pic.bmp", bmp);
  {
    host::GifRecorder gif(dir / "anim.gif", 6, 4);
    std::vector<uint8_t> rgba(6 * 4 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = 255, rgba[i + 3] = 255;
    gif.add_frame(rgba, 0);
    ASSERT_TRUE(gif.finish());
  }

  for (const char16_t* name : {u"cover.png", u"FOLDER.JPG", u"Pic.Bmp", u"anim.gif"}) {
    IMAGEID id = 0;
    ASSERT_EQ(svc::fw_image_load(folder, name, &id), 0);
    ASSERT_NE(id, NOIMAGE);
    EXPECT_NE(id, 0);
    const host::Image* im = phone->images().get(id);
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->width, 6);
    EXPECT_EQ(im->height, 4);
    EXPECT_TRUE(gfx_test::near_rgb(im->argb(2, 2), 0xFF0000));
  }
  EXPECT_EQ(phone->images().live(), 4u);

  IMAGEID id = 0;
  EXPECT_LT(svc::fw_image_load(folder, u"missing.png", &id), 0);
  EXPECT_EQ(id, NOIMAGE);
  write_bytes(dir / "junk.png", {1, 2, 3, 4, 5});
  EXPECT_LT(svc::fw_image_load(folder, u"junk.png", &id), 0);
  EXPECT_EQ(id, NOIMAGE);
  EXPECT_EQ(phone->images().live(), 4u);
}

// A picture's declared size is bounded before anything is decoded: a few KB declaring 16384 a
// side are refused (and the trace says so), while music stores' covers of 1400 and 3000 pixels
// show. Each format is told its size by its own header.
TEST(ImageStore, DeclaredSizeIsBoundedBeforeDecoding) {
  auto phone = make_phone();
  phone->trace().capture(true);
  auto encode = [](char format, int w, int h) {
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3, 0x40), out;
    if (format == 'p') stbi_write_png_to_func(stb_to_vector, &out, w, h, 3, rgb.data(), w * 3);
    if (format == 'j') stbi_write_jpg_to_func(stb_to_vector, &out, w, h, 3, rgb.data(), 50);
    if (format == 'b') stbi_write_bmp_to_func(stb_to_vector, &out, w, h, 3, rgb.data());
    return out;
  };
  auto be16 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
  };
  // The same small picture, its header claiming 16384x16384.
  std::vector<uint8_t> png = encode('p', 8, 8), jpg = encode('j', 8, 8), bmp = encode('b', 8, 8);
  be16(png, 18, 0x4000);  // IHDR width and height, then the chunk's CRC again
  be16(png, 22, 0x4000);
  const uint32_t crc = uint32_t(crc32(0, &png[12], 17));
  for (int i = 0; i < 4; ++i) png[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
  for (size_t i = 2; i + 9 < jpg.size(); ++i)
    if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC2)) {
      be16(jpg, i + 5, 0x4000);
      be16(jpg, i + 7, 0x4000);
      break;
    }
  bmp[19] = bmp[23] = 0x40;  // 0x4008 each
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 0, 0x40, 0x80, 0, 0, 0, 0, 0,
                              255, 255, 255, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 1, 0, 0x3B};
  png.resize(3000);  // a 3 KB cover, as found
  struct Case {
    std::string what;
    std::vector<uint8_t> bytes;
    int side;  // 0: refused
  } cases[] = {
      {"png 16384", png, 0},
      {"jpeg 16384", jpg, 0},
      {"bmp 16392", bmp, 0},
      {"gif 16384", gif, 0},
      {"png 4097x1", encode('p', 4097, 1), 0},
      {"png 4096x1", encode('p', 4096, 1), 4096},
      {"png 1400", encode('p', 1400, 1400), 1400},
      {"jpeg 3000", encode('j', 3000, 3000), 3000},
  };
  for (const Case& c : cases) {
    phone->trace().clear();
    IMAGEID id = 0;
    int r = svc::fw_image_from_buffer(addon_buffer(*phone, c.bytes), int(c.bytes.size()), 0,
                                      u"image", &id);
    const std::vector<std::string>& lines = phone->trace().lines();
    const bool noted = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
      return l.find("# picture not decoded: ") == 0 && l.find("more than 4096 a side") != std::string::npos;
    });
    if (c.side == 0) {
      EXPECT_LT(r, 0) << c.what;
      EXPECT_TRUE(noted) << c.what;
    } else {
      ASSERT_EQ(r, 0) << c.what;
      EXPECT_EQ(phone->images().get(id)->width, c.side) << c.what;
      EXPECT_FALSE(noted) << c.what;
      svc::fw_image_free(id);
    }
  }
  EXPECT_EQ(phone->memory().live_blocks(), 0u);
}

// Pictures broken as found in files: each is decoded or refused whole, without reading past its
// bytes (the sanitizers of the test build watch), and its buffer is freed either way.
TEST(ImageStore, CorruptedPicturesAreDecodedSafely) {
  auto phone = make_phone();
  std::ifstream in(fs::path(TS_SOURCE_DIR) / "fuzz/corpus/image_fuzz/stb-huffman-index-257.jpg",
                   std::ios::binary);
  const std::vector<uint8_t> huffman((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GT(huffman.size(), 1000u);
  std::vector<uint8_t> jpg, png;
  std::vector<uint8_t> rgb(32 * 32 * 3, 0x80);
  stbi_write_jpg_to_func(stb_to_vector, &jpg, 32, 32, 3, rgb.data(), 90);
  stbi_write_png_to_func(stb_to_vector, &png, 32, 32, 3, rgb.data(), 96);
  const std::vector<std::vector<uint8_t>> cases = {
      huffman,  // a fuzzer's find: stb_image read index 257 of its 257-entry Huffman table
      std::vector<uint8_t>(jpg.begin(), jpg.begin() + long(jpg.size() / 2)),  // cut short
      std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)),
      std::vector<uint8_t>(jpg.begin(), jpg.begin() + 3),
  };
  for (const auto& bytes : cases) {
    IMAGEID id = 0;
    if (svc::fw_image_from_buffer(addon_buffer(*phone, bytes), int(bytes.size()), 0, u"image", &id) == 0)
      svc::fw_image_free(id);
  }
  // A BMP whose rows are not all there is refused, not painted black: a fuzzer's 29 bytes claimed
  // 3074x2561 pixels. Whole, the same picture shows, even with its last row's padding cut.
  std::vector<uint8_t> bmp;
  stbi_write_bmp_to_func(stb_to_vector, &bmp, 31, 32, 3, rgb.data());
  const std::vector<uint8_t> claim = {'B', 'M', 0x46, 9, 0, 0, 0, 0, 0, 0, 0x35, 3, 0, 0, 0x28, 0,
                                      0, 0, 2, 0x0c, 0, 0, 1, 0x0a, 0, 0, 1, 0, 4};
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    bool shown;
  } bmps[] = {
      {"claim", claim, false},
      {"cut short", std::vector<uint8_t>(bmp.begin(), bmp.end() - 100), false},
      {"whole", bmp, true},
      {"no last padding", std::vector<uint8_t>(bmp.begin(), bmp.end() - 3), true},
  };
  for (const auto& c : bmps) {
    IMAGEID id = 0;
    const int r = svc::fw_image_from_buffer(addon_buffer(*phone, c.bytes), int(c.bytes.size()), 0,
                                            u"image", &id);
    EXPECT_EQ(r == 0, c.shown) << c.what;
    if (r == 0) svc::fw_image_free(id);
  }
  EXPECT_EQ(phone->memory().live_blocks(), 0u);
}

TEST(ImageStore, BufferBelongsToTheImageAndIsFreedWithIt) {
  auto phone = make_phone();
  host::Memory& mem = phone->memory();
  auto bmp = snapshot_bmp(4, 2, [](int x, int y) { return y == 0 ? 0xFF0000u : uint32_t(x * 60); });
  void* buf = addon_buffer(*phone, bmp);
  IMAGEID id = 0;
  ASSERT_EQ(svc::fw_image_from_buffer(buf, int(bmp.size()), 0, u"bmp", &id), 0);
  ASSERT_NE(id, NOIMAGE);
  const host::Image* im = phone->images().get(id);
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(im->argb(0, 0), 0xFFFF0000u);  // the top row, stored last
  EXPECT_EQ(im->argb(3, 1), 0xFF0000B4u);
  EXPECT_EQ(mem.live_blocks(), 1u);         // still the image's
  svc::fw_image_free(id);
  EXPECT_EQ(mem.live_blocks(), 0u);
  EXPECT_EQ(mem.bad_frees(), 0u);
  EXPECT_EQ(phone->images().live(), 0u);
}

TEST(ImageStore, RefusedBufferIsStillTakenAndFreed) {
  auto phone = make_phone();
  host::Memory& mem = phone->memory();
  auto bmp = snapshot_bmp(2, 2, [](int, int) { return 0u; });
  IMAGEID id = 0;
  EXPECT_LT(svc::fw_image_from_buffer(addon_buffer(*phone, bmp), int(bmp.size()), 0, nullptr, &id), 0);
  EXPECT_EQ(id, NOIMAGE);
  std::vector<uint8_t> junk(100, 0x5A);
  id = 0;
  EXPECT_LT(svc::fw_image_from_buffer(addon_buffer(*phone, junk), 100, 0, u"bmp", &id), 0);
  EXPECT_EQ(id, NOIMAGE);
  EXPECT_EQ(mem.live_blocks(), 0u);
  EXPECT_EQ(phone->images().live(), 0u);
  EXPECT_EQ(phone->images().failed_loads(), 2u);
}

TEST(ImageStore, ImagesLeftAtTheEndReturnTheirBuffersToTheAllocator) {
  auto phone = make_phone();
  auto bmp = snapshot_bmp(2, 2, [](int, int) { return 0u; });
  IMAGEID id;
  ASSERT_EQ(svc::fw_image_from_buffer(addon_buffer(*phone, bmp), int(bmp.size()), 0, u"bmp", &id), 0);
  phone.reset();  // LeakSanitizer would report the buffer otherwise
}

TEST(ImageStore, IdsAreNeverZeroOrNoImageAndStaleIdsNameNothing) {
  auto phone = make_phone();
  host::ImageStore& store = phone->images();
  auto pic = [] { return gfx_test::picture(1, 1, [](int, int) { return 0xFFFFFFFFu; }); };
  IMAGEID a = store.add(pic());
  IMAGEID b = store.add(pic());
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_TRUE(store.free(a));
  IMAGEID c = store.add(pic());
  EXPECT_NE(c, a);  // a freed id is not handed out again at once
  EXPECT_FALSE(store.free(a));  // a second free of the same id changes nothing
  EXPECT_NE(store.get(b), nullptr);
  EXPECT_NE(store.get(c), nullptr);
  EXPECT_EQ(store.bad_frees(), 1u);
  // Releasing a handle that never held an image (0 or NOIMAGE) is harmless and not an error.
  svc::fw_image_free(0);
  svc::fw_image_free(NOIMAGE);
  EXPECT_EQ(store.bad_frees(), 1u);
  EXPECT_EQ(store.live(), 2u);

  // Wrapping around: ids keep clear of 0, NOIMAGE and live ones.
  for (int i = 0; i < 70000; ++i) {
    IMAGEID id = store.add(pic());
    ASSERT_NE(id, 0);
    ASSERT_NE(id, NOIMAGE);
    ASSERT_NE(id, b);
    ASSERT_NE(id, c);
    store.free(id);
  }
  EXPECT_EQ(store.live(), 2u);
}

}  // namespace
