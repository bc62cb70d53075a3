// Writes MP3 files without an encoder, for the skin sheet's hard tracks and for the tests: MPEG
// audio frames whose payload is all zeros (which decoders such as libmpg123 play as silence),
// Xing/Info headers, ID3v2.2/2.3/2.4 tags with text and picture frames in every text encoding,
// unsynchronisation, ID3v1 tags, and small real PNG and JPEG pictures.
//
// Everything returns plain byte vectors; put a file together with `join` and `write_file`:
//
//   using namespace mp3w;
//   Frame f;                                   // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo
//   Id3v2Tag tag(3);
//   tag.text("TIT2", "Песня", Enc::Utf16).picture(tiny_png(), "image/png");
//   write_file(dir / "a.mp3", join({tag.bytes(), xing_frame(f, 100), frames(f, 100)}));
//
// Text is given as UTF-8. In Latin-1 frames and ID3v1 tags characters up to U+00FF are written as
// themselves and Cyrillic letters as CP1251 bytes, as many real phone files hold them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace mp3w {

using Bytes = std::vector<uint8_t>;

// ---- MPEG audio frames -------------------------------------------------------------------------

// Version index values of the frame header.
constexpr int MPEG25 = 0;
constexpr int MPEG2 = 2;
constexpr int MPEG1 = 3;

// Channel modes.
constexpr int STEREO = 0;
constexpr int JOINT_STEREO = 1;
constexpr int DUAL_CHANNEL = 2;
constexpr int SINGLE_CHANNEL = 3;

// The fields of one frame header, as raw indices (so that tests can also write invalid headers).
struct Frame {
  int version = MPEG1;  // version index: 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
  int layer = 1;        // layer index: 1 Layer III, 2 Layer II, 3 Layer I (0 reserved)
  int bitrate = 9;      // bitrate index 1..14 (9 is 128 kbit/s for MPEG-1 Layer III)
  int frequency = 0;    // frequency index 0..2 (0 is 44100 Hz for MPEG-1)
  int mode = STEREO;    // channel mode index 0..3
  int emphasis = 0;     // emphasis index (2 is reserved)
  bool padding = false;
  bool crc = false;     // a CRC follows the header (protection bit clear)
};

// Bitrate in kbit/s and sample rate in Hz of a frame (0 for reserved or free-format indices).
int bitrate_kbps(const Frame& f);
int sample_rate(const Frame& f);
// Samples per frame: 384 Layer I, 1152 Layer II and MPEG-1 Layer III, 576 Layer III otherwise.
int samples_per_frame(const Frame& f);
// Bytes of one frame, header included (0 when bitrate or sample rate is 0).
size_t frame_length(const Frame& f);
// Bytes of Layer III side information after the header (and CRC): where a Xing header starts.
int side_info_size(const Frame& f);

// The four header bytes.
Bytes header_bytes(const Frame& f);
// `count` frames of silence.
Bytes frames(const Frame& f, int count);
// One frame of silence holding a Xing header ("Xing", or "Info" with `info`), written as encoders
// do after the side information. `frame_count` absent: the frame-count flag is clear. `byte_count`
// absent: the bytes flag is clear.
Bytes xing_frame(const Frame& f, std::optional<uint32_t> frame_count,
                 std::optional<uint32_t> byte_count = std::nullopt, bool info = false);

// ---- ID3v2 -------------------------------------------------------------------------------------

// Text encodings of ID3v2 frames: 0 Latin-1, 1 UTF-16 with byte order mark, 2 UTF-16BE (v2.4),
// 3 UTF-8 (v2.4).
enum class Enc : uint8_t { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3 };

// Encodes UTF-8 text as a frame encoding (without terminator); Utf16 starts with FF FE and is
// little-endian.
Bytes encode_text(const std::string& utf8, Enc enc);
// Single-byte form of UTF-8 text: U+0000..U+00FF as themselves, Cyrillic as CP1251, others '?'.
Bytes to_single_byte(const std::string& utf8);

// Builds one ID3v2 tag of version 2, 3 or 4. Frame ids are given as v2.3/v2.4 ids ("TIT2",
// "TPE1", "TALB", "TYER", "TDRC", "TCON", "TRCK", "COMM", "APIC"); a v2.2 tag writes their
// three-letter forms ("TT2", "TP1", ...) and PIC frames with a three-letter image format.
class Id3v2Tag {
 public:
  explicit Id3v2Tag(int version = 3) : version_(version) {}

  // A text frame.
  Id3v2Tag& text(const std::string& id, const std::string& utf8, Enc enc = Enc::Latin1);
  // A picture frame. `mime` such as "image/png" (v2.2: the format "PNG"/"JPG" is derived from it;
  // a three-letter `mime` is used as it stands). `type` is the ID3 picture type (3 front cover).
  Id3v2Tag& picture(const Bytes& data, const std::string& mime, Enc enc = Enc::Latin1,
                    const std::string& description = "", uint8_t type = 3);
  // Any frame with a ready body and (v2.3/v2.4) raw frame flags.
  Id3v2Tag& frame(const std::string& id, const Bytes& body, uint16_t flags = 0);

  Id3v2Tag& padding(size_t bytes) { padding_ = bytes; return *this; }
  // v2.2/v2.3: the whole tag; v2.4: every frame (flag in each frame header and the tag header).
  Id3v2Tag& unsynchronise(bool on = true) { unsync_ = on; return *this; }
  // An (empty) extended header (v2.3, v2.4).
  Id3v2Tag& extended_header(bool on = true) { extended_ = on; return *this; }
  // A footer after the frames (v2.4; replaces padding).
  Id3v2Tag& footer(bool on = true) { footer_ = on; return *this; }
  // v2.4: picture frames carry a data length indicator.
  Id3v2Tag& data_length_indicator(bool on = true) { dli_ = on; return *this; }

  // The whole tag: header, frames, padding or footer.
  Bytes bytes() const;
  // Byte offset within bytes() of each picture's data, in the order added; meaningful only when
  // the tag is not unsynchronised.
  std::vector<size_t> picture_offsets() const;

 private:
  struct Entry {
    std::string id;
    Bytes body;
    uint16_t flags = 0;
    bool picture = false;
    size_t data_start = 0;  // offset of the picture data within body
  };
  Bytes build(std::vector<size_t>* offsets) const;

  int version_;
  std::vector<Entry> frames_;
  size_t padding_ = 0;
  bool unsync_ = false;
  bool extended_ = false;
  bool footer_ = false;
  bool dli_ = false;
};

// Unsynchronisation: a zero after every FF that is followed by 111xxxxx or 00, or ends the data.
Bytes unsynchronise(const Bytes& data);
// Synchsafe 28-bit integer, four bytes.
Bytes synchsafe(uint32_t value);

// ---- ID3v1 -------------------------------------------------------------------------------------

struct Id3v1 {
  std::string title, artist, album, year, comment;  // UTF-8, cut to the field widths
  int track = 0;                                     // 0: none (ID3v1.0)
  uint8_t genre = 255;                               // 255: none
};
Bytes id3v1(const Id3v1& t);  // the 128-byte tag

// ---- Pictures and files ------------------------------------------------------------------------

// Small real images (a colour gradient), encoded with stb_image_write.
Bytes tiny_png(int w = 8, int h = 8);
Bytes tiny_jpeg(int w = 8, int h = 8);

Bytes join(std::initializer_list<Bytes> parts);
void write_file(const std::filesystem::path& path, const Bytes& bytes);
Bytes read_file(const std::filesystem::path& path);

}  // namespace mp3w
