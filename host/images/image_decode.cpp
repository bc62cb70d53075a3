#include "images/image_decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/whole_io.h"

// stb_image decodes BMP only: its BMP reader goes through stb's bounds-checked byte reader and
// takes uncompressed and bit-field BMPs, nothing that inflates. Its PNG, JPEG and GIF decoders
// are not built: they have read out of bounds on corrupted files (see image_decode.h).
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS host::kMaxImageSide
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace host {
namespace {

enum class Format { Png, Jpeg, Gif, Bmp };

std::optional<Format> sniff(const uint8_t* d, size_t n) {
  if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0) return Format::Png;
  if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return Format::Jpeg;
  if (n >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0))
    return Format::Gif;
  if (n >= 2 && d[0] == 'B' && d[1] == 'M') return Format::Bmp;
  return std::nullopt;
}

// The declared size against the bound; false (with the reason in `refused`) when it passes it.
bool size_allowed(long w, long h, std::string* refused) {
  if (w <= kMaxImageSide && h <= kMaxImageSide) return true;
  if (refused)
    *refused = std::to_string(w) + "x" + std::to_string(h) + " pixels, more than " +
               std::to_string(kMaxImageSide) + " a side";
  return false;
}

Image blank(int w, int h) {
  Image image;
  image.width = w;
  image.height = h;
  image.rgba.assign(size_t(w) * size_t(h) * 4, 0);
  return image;
}

// ---- PNG: libpng's simplified reader ------------------------------------------------------------

std::optional<Image> decode_png(const uint8_t* data, size_t size, std::string* refused) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) return std::nullopt;
  if (png.width == 0 || png.height == 0 || !size_allowed(long(png.width), long(png.height), refused)) {
    png_image_free(&png);
    return std::nullopt;
  }
  // 16-bit pictures without gamma information are sRGB, as every other decoder reads them (libpng
  // would take them as linear light and brighten them).
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  png.format = PNG_FORMAT_RGBA;
  Image image = blank(int(png.width), int(png.height));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

// ---- JPEG: libjpeg-turbo ------------------------------------------------------------------------

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// decode_jpeg. Nothing with a destructor lives between the setjmp and the jump.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void jpeg_fail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void jpeg_quiet(j_common_ptr, int) {}

// A progressive JPEG can hold thousands of tiny scans, each a pass over the whole picture: more
// than any encoder writes is refused.
constexpr int kMaxJpegScans = 256;

void jpeg_progress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) jpeg_fail(cinfo);
}

// CMYK pixels in place to RGBA. Adobe's files (the most) store the four inverted.
void cmyk_to_rgba(uint8_t* p, size_t count, bool inverted) {
  for (size_t i = 0; i < count; ++i, p += 4) {
    const unsigned k = inverted ? p[3] : 255u - p[3];
    for (int c = 0; c < 3; ++c) p[c] = uint8_t((inverted ? p[c] : 255u - p[c]) * k / 255u);
    p[3] = 255;
  }
}

// Decodes into `out` (already sized by the caller's first call); 0 done, 1 failed, 2 refused.
int jpeg_run(const uint8_t* data, size_t size, Image* out, long* w, long* h) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpeg_fail;
  err.mgr.emit_message = jpeg_quiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return 1;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = jpeg_progress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return 1;
  }
  *w = long(cinfo.image_width);
  *h = long(cinfo.image_height);
  if (!out) {
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  // CMYK (print covers) comes out as CMYK and is turned into RGB here; everything else as RGBA.
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&cinfo);
  if (long(cinfo.output_width) != *w || long(cinfo.output_height) != *h ||
      cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return 1;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->rgba.data() + size_t(cinfo.output_scanline) * size_t(*w) * 4;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) cmyk_to_rgba(row, size_t(*w), cinfo.saw_Adobe_marker);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

std::optional<Image> decode_jpeg(const uint8_t* data, size_t size, std::string* refused) {
  long w = 0, h = 0;
  // The header alone first: its size decides whether the picture is decoded at all.
  if (jpeg_run(data, size, nullptr, &w, &h) != 2 || w <= 0 || h <= 0 ||
      !size_allowed(w, h, refused))
    return std::nullopt;
  Image image = blank(int(w), int(h));
  if (jpeg_run(data, size, &image, &w, &h) != 0) return std::nullopt;
  return image;
}

// ---- GIF: giflib, the first frame on its logical screen ------------------------------------------

struct GifSource {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

int gif_read(GifFileType* gif, GifByteType* buf, int want) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  size_t n = std::min(size_t(want < 0 ? 0 : want), src->size - src->pos);
  std::memcpy(buf, src->data + src->pos, n);
  src->pos += n;
  return int(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int err = 0;
    DGifCloseFile(gif, &err);
  }
};

std::optional<Image> decode_gif(const uint8_t* data, size_t size, std::string* refused) {
  GifSource src{data, size};
  int err = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, gif_read, &err));
  if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0 ||
      !size_allowed(gif->SWidth, gif->SHeight, refused))
    return std::nullopt;
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) return std::nullopt;
    if (record == TERMINATE_RECORD_TYPE) return std::nullopt;  // no frame
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR) return std::nullopt;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (ext)
        if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) return std::nullopt;
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return std::nullopt;
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || d.Width <= 0 || d.Height <= 0 || !size_allowed(d.Width, d.Height, refused))
      return std::nullopt;
    // The frame's rows, in the order the file holds them (interlaced: four passes).
    std::vector<GifPixelType> pixels(size_t(d.Width) * size_t(d.Height));
    std::vector<int> order;
    if (d.Interlace) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < d.Height; y += step[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < d.Height; ++y) order.push_back(y);
    }
    for (int y : order)
      if (DGifGetLine(gif.get(), &pixels[size_t(y) * size_t(d.Width)], d.Width) == GIF_ERROR)
        return std::nullopt;
    // Onto the logical screen, which starts transparent; the frame may reach past it.
    Image image = blank(gif->SWidth, gif->SHeight);
    for (int y = 0; y < d.Height; ++y) {
      const int sy = d.Top + y;
      if (sy < 0 || sy >= image.height) continue;
      for (int x = 0; x < d.Width; ++x) {
        const int sx = d.Left + x;
        const int index = pixels[size_t(y) * size_t(d.Width) + size_t(x)];
        if (sx < 0 || sx >= image.width || index == transparent || index >= map->ColorCount)
          continue;
        uint8_t* p = &image.rgba[(size_t(sy) * size_t(image.width) + size_t(sx)) * 4];
        p[0] = map->Colors[index].Red;
        p[1] = map->Colors[index].Green;
        p[2] = map->Colors[index].Blue;
        p[3] = 255;
      }
    }
    return image;
  }
}

// ---- BMP: stb_image -----------------------------------------------------------------------------

// Whether the pixels a w x h BMP declares are all in its bytes. stb_image paints what is
// missing black, so that thirty bytes could claim, and cost the decoding of, ten million pixels.
// Compressed BMPs, which stb_image refuses, and headers it knows better are left to it.
bool bmp_rows_present(const uint8_t* d, size_t size, int w, int h) {
  const auto le = [&](size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | (at + size_t(i) < size ? d[at + size_t(i)] : 0);
    return v;
  };
  const uint32_t offset = le(10, 4), header = le(14, 4);
  const bool core = header == 12;  // the oldest header: 16-bit sides, no compression
  const uint32_t bpp = le(core ? 24 : 28, 2), compression = core ? 0 : le(30, 4);
  if (bpp == 0 || (compression != 0 && compression != 3)) return true;
  // Rows without their padding still count: some writers leave it out.
  const uint64_t row = (uint64_t(w) * bpp + 7) / 8;
  return uint64_t(offset) + row * uint64_t(h) <= size;
}

std::optional<Image> decode_bmp(const uint8_t* data, size_t size, std::string* refused) {
  if (size > size_t(INT32_MAX)) return std::nullopt;
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(data, int(size), &w, &h, &channels) || w <= 0 || h <= 0 ||
      !size_allowed(w, h, refused) || !bmp_rows_present(data, size, w, h))
    return std::nullopt;
  stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &channels, 4);
  if (!pixels) return std::nullopt;
  Image image;
  image.width = w;
  image.height = h;
  image.rgba.assign(pixels, pixels + size_t(w) * size_t(h) * 4);
  stbi_image_free(pixels);
  return image;
}

}  // namespace

uint32_t Image::argb(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
  return uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

std::optional<Image> decode_image(const uint8_t* data, size_t size, std::string* refused) {
  if (!data || size == 0) return std::nullopt;
  const std::optional<Format> format = sniff(data, size);
  if (!format) return std::nullopt;
  switch (*format) {
    case Format::Png: return decode_png(data, size, refused);
    case Format::Jpeg: return decode_jpeg(data, size, refused);
    case Format::Gif: return decode_gif(data, size, refused);
    case Format::Bmp: return decode_bmp(data, size, refused);
  }
  return std::nullopt;
}

std::optional<Image> decode_image_file(const std::filesystem::path& path, std::string* refused) {
  // Not blocking, and only a file: a FIFO would hold the open, a device never end.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  // A file larger than any picture within the bounds is refused before it is read.
  if (uint64_t(st.st_size) > kMaxImageFileBytes) {
    ::close(fd);
    if (refused)
      *refused = std::to_string(uint64_t(st.st_size) >> 20) + " MiB, more than the " +
                 std::to_string(kMaxImageFileBytes >> 20) + " MiB a picture file may take";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(size_t(st.st_size));
  const size_t got = read_whole(fd, bytes.data(), bytes.size());
  ::close(fd);
  bytes.resize(got);
  return decode_image(bytes.data(), bytes.size(), refused);
}

}  // namespace host
