// Decoding pictures from untrusted bytes (tags, cover files, skins): PNG with libpng, JPEG with
// libjpeg-turbo, GIF (first frame) with giflib, BMP with stb_image. All four are told the picture's
// declared size first, and a picture larger than kMaxImageSide on either side is refused before
// anything is decoded, so that a few bytes cannot make the phone decode a gigabyte of pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace host {

// A decoded picture: width × height pixels, 4 bytes each (R, G, B, A), rows top first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  // Set by the store that holds the picture, never the same twice in one phone (0 outside a
  // store): the screen knows a picture it drew before by it.
  uint64_t serial = 0;

  uint32_t argb(int x, int y) const;  // 0xAARRGGBB of one pixel
};

// The largest width and height a picture may declare (music stores' covers are 3000 a side).
constexpr int kMaxImageSide = 4096;
// The largest picture file that is read: a picture of kMaxImageSide a side, stored uncompressed
// in 32 bits a pixel, fits in it with room to spare.
constexpr uint64_t kMaxImageFileBytes = uint64_t(80) << 20;

// Decodes a PNG, JPEG, BMP or GIF (first frame) held in memory; nothing when it is not one, it is
// corrupt, or it declares more than kMaxImageSide pixels a side. In that last case `refused`, when
// given, says so ("16384x16384 pixels, more than 4096 a side"); it is left alone otherwise.
std::optional<Image> decode_image(const uint8_t* data, size_t size, std::string* refused = nullptr);
// A picture file of at most kMaxImageFileBytes (a larger one is refused, unread, and `refused` says
// so); a FIFO or a device is no picture.
std::optional<Image> decode_image_file(const std::filesystem::path& path,
                                       std::string* refused = nullptr);

}  // namespace host
