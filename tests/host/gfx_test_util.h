// Helpers of the display tests: a phone with a chosen platform id, pixel checks and a small
// picture maker.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "images/image_store.h"
#include "phone/phone.h"
#include "screen/screen.h"

namespace gfx_test {

inline std::unique_ptr<host::Phone> make_phone(uint32_t platform_id = 0x9900, int w = 240,
                                               int h = 320) {
  host::Options o;
  o.platform_id = platform_id;
  o.screen_w = w;
  o.screen_h = h;
  return std::make_unique<host::Phone>(o);
}

// Colours match when each channel is within what RGB565 can hold (8 steps of red and blue, 4 of
// green) plus one step of rounding.
inline ::testing::AssertionResult near_rgb(uint32_t got, uint32_t want) {
  auto ch = [](uint32_t v, int s) { return int((v >> s) & 0xFF); };
  int tol[3] = {9, 5, 9};
  int sh[3] = {16, 8, 0};
  for (int i = 0; i < 3; ++i)
    if (std::abs(ch(got, sh[i]) - ch(want, sh[i])) > tol[i])
      return ::testing::AssertionFailure()
             << std::hex << "pixel 0x" << (got & 0xFFFFFF) << " is not near 0x" << (want & 0xFFFFFF);
  return ::testing::AssertionSuccess();
}

// A picture of w × h pixels, each 0xAARRGGBB from f(x, y).
template <typename F>
host::Image picture(int w, int h, F f) {
  host::Image im;
  im.width = w;
  im.height = h;
  im.rgba.resize(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t c = f(x, y);
      uint8_t* p = &im.rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
      p[0] = uint8_t(c >> 16);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c);
      p[3] = uint8_t(c >> 24);
    }
  return im;
}

// Every pixel of the screen that differs from `before` (0xFFRRGGBB per pixel, rows first).
inline std::vector<uint32_t> pixels(const host::Screen& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) out.push_back(s.pixel(x, y));
  return out;
}

}  // namespace gfx_test
