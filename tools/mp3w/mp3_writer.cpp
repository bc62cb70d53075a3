#include "mp3w/mp3_writer.h"

#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "core/wstr.h"

namespace mp3w {
namespace {

// kbit/s by [MPEG-1?][layer index - 1][bitrate index].
constexpr int kBitrates[2][3][16] = {
    {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}},
    {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
};
constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

void put32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

std::vector<uint32_t> code_points(const std::string& s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    uint8_t c = uint8_t(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) throw std::invalid_argument("bad UTF-8 in test text");
    uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

std::u16string utf16(const std::string& s) { return host::utf8_to_utf16(s); }

Bytes terminator(Enc enc) {
  return (enc == Enc::Utf16 || enc == Enc::Utf16BE) ? Bytes{0, 0} : Bytes{0};
}

// Three-letter ids of ID3v2.2.
std::string v22_id(const std::string& id) {
  static const std::map<std::string, std::string> ids = {
      {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TPE2", "TP2"}, {"TALB", "TAL"}, {"TYER", "TYE"},
      {"TDRC", "TYE"}, {"TCON", "TCO"}, {"TRCK", "TRK"}, {"COMM", "COM"}, {"APIC", "PIC"}};
  auto it = ids.find(id);
  if (it != ids.end()) return it->second;
  return id.size() == 3 ? id : id.substr(0, 3);
}

std::string v22_format(const std::string& mime) {
  if (mime.size() == 3) return mime;
  if (mime == "image/jpeg" || mime == "image/jpg") return "JPG";
  if (mime == "image/png") return "PNG";
  if (mime == "image/gif") return "GIF";
  if (mime == "image/bmp") return "BMP";
  return "---";
}

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

void write_callback(void* ctx, void* data, int size) {
  auto* out = static_cast<Bytes*>(ctx);
  auto* p = static_cast<const uint8_t*>(data);
  out->insert(out->end(), p, p + size);
}

std::vector<uint8_t> gradient(int w, int h) {
  std::vector<uint8_t> px(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(40 + 200 * x / (w > 1 ? w - 1 : 1));
      p[1] = uint8_t(60 + 150 * y / (h > 1 ? h - 1 : 1));
      p[2] = 180;
    }
  return px;
}

}  // namespace

int bitrate_kbps(const Frame& f) {
  if (f.layer < 1 || f.layer > 3 || f.bitrate < 0 || f.bitrate > 15) return 0;
  return kBitrates[f.version == MPEG1 ? 1 : 0][f.layer - 1][f.bitrate];
}

int sample_rate(const Frame& f) {
  if (f.version < 0 || f.version > 3 || f.frequency < 0 || f.frequency > 2) return 0;
  return kRates[f.version][f.frequency];
}

int samples_per_frame(const Frame& f) {
  if (f.layer == 3) return 384;
  if (f.layer == 2 || f.version == MPEG1) return 1152;
  return 576;
}

size_t frame_length(const Frame& f) {
  int br = bitrate_kbps(f), sr = sample_rate(f);
  if (br == 0 || sr == 0) return 0;
  if (f.layer == 3) return size_t((12 * br * 1000 / sr + (f.padding ? 1 : 0)) * 4);
  int k = (f.layer == 1 && f.version != MPEG1) ? 72 : 144;
  return size_t(k * br * 1000 / sr + (f.padding ? 1 : 0));
}

int side_info_size(const Frame& f) {
  if (f.version == MPEG1) return f.mode == SINGLE_CHANNEL ? 17 : 32;
  return f.mode == SINGLE_CHANNEL ? 9 : 17;
}

Bytes header_bytes(const Frame& f) {
  uint32_t h = 0xFFE00000u;
  h |= uint32_t(f.version & 3) << 19;
  h |= uint32_t(f.layer & 3) << 17;
  h |= f.crc ? 0u : (1u << 16);
  h |= uint32_t(f.bitrate & 15) << 12;
  h |= uint32_t(f.frequency & 3) << 10;
  h |= f.padding ? (1u << 9) : 0u;
  h |= uint32_t(f.mode & 3) << 6;
  h |= uint32_t(f.emphasis & 3);
  Bytes b;
  put32(b, h);
  return b;
}

Bytes frames(const Frame& f, int count) {
  size_t len = frame_length(f);
  if (len < 4) throw std::invalid_argument("frame with no length");
  Bytes out;
  out.reserve(len * size_t(count));
  Bytes one = header_bytes(f);
  one.resize(len, 0);
  for (int i = 0; i < count; ++i) append(out, one);
  return out;
}

Bytes xing_frame(const Frame& f, std::optional<uint32_t> frame_count,
                 std::optional<uint32_t> byte_count, bool info) {
  Bytes b = header_bytes(f);
  if (f.crc) b.insert(b.end(), 2, 0);
  b.insert(b.end(), size_t(side_info_size(f)), 0);
  const char* magic = info ? "Info" : "Xing";
  b.insert(b.end(), magic, magic + 4);
  uint32_t flags = (frame_count ? 1u : 0u) | (byte_count ? 2u : 0u);
  put32(b, flags);
  if (frame_count) put32(b, *frame_count);
  if (byte_count) put32(b, *byte_count);
  size_t len = frame_length(f);
  if (len < b.size()) throw std::invalid_argument("frame too small for a Xing header");
  b.resize(len, 0);
  return b;
}

Bytes to_single_byte(const std::string& utf8) {
  Bytes out;
  for (uint32_t cp : code_points(utf8)) {
    if (cp < 0x100)
      out.push_back(uint8_t(cp));
    else if (cp >= 0x410 && cp <= 0x44F)
      out.push_back(uint8_t(0xC0 + (cp - 0x410)));
    else if (cp == 0x401)
      out.push_back(0xA8);
    else if (cp == 0x451)
      out.push_back(0xB8);
    else
      out.push_back('?');
  }
  return out;
}

Bytes encode_text(const std::string& utf8, Enc enc) {
  Bytes out;
  switch (enc) {
    case Enc::Latin1:
      return to_single_byte(utf8);
    case Enc::Utf8:
      return Bytes(utf8.begin(), utf8.end());
    case Enc::Utf16:
      out = {0xFF, 0xFE};
      for (char16_t c : utf16(utf8)) {
        out.push_back(uint8_t(c & 0xFF));
        out.push_back(uint8_t(c >> 8));
      }
      return out;
    case Enc::Utf16BE:
      for (char16_t c : utf16(utf8)) {
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c & 0xFF));
      }
      return out;
  }
  return out;
}

Bytes synchsafe(uint32_t v) {
  return {uint8_t((v >> 21) & 0x7F), uint8_t((v >> 14) & 0x7F), uint8_t((v >> 7) & 0x7F),
          uint8_t(v & 0x7F)};
}

Bytes unsynchronise(const Bytes& data) {
  Bytes out;
  out.reserve(data.size() + data.size() / 64);
  for (size_t i = 0; i < data.size(); ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && (i + 1 == data.size() || data[i + 1] >= 0xE0 || data[i + 1] == 0))
      out.push_back(0);
  }
  return out;
}

Id3v2Tag& Id3v2Tag::text(const std::string& id, const std::string& utf8, Enc enc) {
  Bytes body{uint8_t(enc)};
  append(body, encode_text(utf8, enc));
  if (version_ == 4) append(body, terminator(enc));
  frames_.push_back({id, body, 0, false, 0});
  return *this;
}

Id3v2Tag& Id3v2Tag::picture(const Bytes& data, const std::string& mime, Enc enc,
                            const std::string& description, uint8_t type) {
  Bytes body{uint8_t(enc)};
  if (version_ == 2) {
    std::string fmt = v22_format(mime);
    body.insert(body.end(), fmt.begin(), fmt.end());
  } else {
    body.insert(body.end(), mime.begin(), mime.end());
    body.push_back(0);
  }
  body.push_back(type);
  append(body, encode_text(description, enc));
  append(body, terminator(enc));
  size_t start = body.size();
  append(body, data);
  frames_.push_back({"APIC", body, 0, true, start});
  return *this;
}

Id3v2Tag& Id3v2Tag::frame(const std::string& id, const Bytes& body, uint16_t flags) {
  frames_.push_back({id, body, flags, false, 0});
  return *this;
}

Bytes Id3v2Tag::build(std::vector<size_t>* offsets) const {
  Bytes content;
  if (extended_ && version_ == 3) {
    put32(content, 6);
    content.insert(content.end(), 6, 0);
  } else if (extended_ && version_ == 4) {
    append(content, synchsafe(6));
    content.push_back(1);
    content.push_back(0);
  }
  for (const Entry& e : frames_) {
    Bytes body = e.body;
    size_t data_start = e.data_start;
    uint16_t flags = e.flags;
    if (version_ == 4 && e.picture && dli_) {
      Bytes b = synchsafe(uint32_t(body.size()));
      append(b, body);
      body = b;
      data_start += 4;
      flags |= 0x0001;
    }
    if (version_ == 4 && unsync_) {
      body = mp3w::unsynchronise(body);
      flags |= 0x0002;
    }
    size_t header = version_ == 2 ? 6 : 10;
    if (e.picture && offsets) offsets->push_back(10 + content.size() + header + data_start);
    if (version_ == 2) {
      std::string id = v22_id(e.id);
      content.insert(content.end(), id.begin(), id.end());
      uint32_t n = uint32_t(body.size());
      content.push_back(uint8_t(n >> 16));
      content.push_back(uint8_t(n >> 8));
      content.push_back(uint8_t(n));
    } else {
      content.insert(content.end(), e.id.begin(), e.id.end());
      if (version_ == 4)
        append(content, synchsafe(uint32_t(body.size())));
      else
        put32(content, uint32_t(body.size()));
      content.push_back(uint8_t(flags >> 8));
      content.push_back(uint8_t(flags));
    }
    append(content, body);
  }
  if (!footer_) content.insert(content.end(), padding_, 0);
  if (unsync_ && version_ != 4) content = mp3w::unsynchronise(content);

  uint8_t hflags = 0;
  if (unsync_) hflags |= 0x80;
  if (extended_ && version_ != 2) hflags |= 0x40;
  if (footer_ && version_ == 4) hflags |= 0x10;
  Bytes out{'I', 'D', '3', uint8_t(version_), 0, hflags};
  append(out, synchsafe(uint32_t(content.size())));
  append(out, content);
  if (footer_ && version_ == 4) {
    Bytes foot{'3', 'D', 'I', 4, 0, hflags};
    append(foot, synchsafe(uint32_t(content.size())));
    append(out, foot);
  }
  return out;
}

Bytes Id3v2Tag::bytes() const { return build(nullptr); }

std::vector<size_t> Id3v2Tag::picture_offsets() const {
  std::vector<size_t> offsets;
  build(&offsets);
  return offsets;
}

Bytes id3v1(const Id3v1& t) {
  Bytes out{'T', 'A', 'G'};
  auto field = [&](const std::string& s, size_t width) {
    Bytes b = to_single_byte(s);
    b.resize(width, 0);
    append(out, b);
  };
  field(t.title, 30);
  field(t.artist, 30);
  field(t.album, 30);
  field(t.year, 4);
  if (t.track > 0) {
    field(t.comment, 28);
    out.push_back(0);
    out.push_back(uint8_t(t.track));
  } else {
    field(t.comment, 30);
  }
  out.push_back(t.genre);
  return out;
}

Bytes tiny_png(int w, int h) {
  Bytes out;
  std::vector<uint8_t> px = gradient(w, h);
  stbi_write_png_to_func(write_callback, &out, w, h, 3, px.data(), w * 3);
  return out;
}

Bytes tiny_jpeg(int w, int h) {
  Bytes out;
  std::vector<uint8_t> px = gradient(w, h);
  stbi_write_jpg_to_func(write_callback, &out, w, h, 3, px.data(), 90);
  return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) append(out, p);
  return out;
}

void write_file(const std::filesystem::path& path, const Bytes& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

Bytes read_file(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace mp3w
