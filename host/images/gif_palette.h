// The colours of one GIF frame: a rectangle of the screen mapped to at most 256 colours of its
// own. A rectangle of 256 colours or fewer (most of the phone's frames: flat fills, text, small
// pictures) keeps every colour exactly; one of more is quantised by libimagequant, with
// Floyd-Steinberg dithering, so that gradients and cover pictures keep their look.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <vector>

namespace host {

struct GifFramePalette {
  std::vector<GifColorType> colours;  // 1 to 256 entries
  std::vector<uint8_t> indices;       // one a pixel of the rectangle, row by row
};

// `rgba`: the whole picture, `stride` pixels a row; the rectangle [x1, x2) × [y1, y2) of it.
GifFramePalette gif_frame_palette(const uint8_t* rgba, int stride, int x1, int y1, int x2, int y2);

}  // namespace host
