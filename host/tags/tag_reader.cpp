#include "tags/tag_reader.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tbytevectorstream.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "core/trace.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "phone/phone.h"

namespace host {
namespace {

// ---- Code page conversion of single-byte tag text ----------------------------------------------

std::string g_codepage = "cp1251";

TagLib::String from_codepage(const TagLib::ByteVector& data) {
  std::string_view bytes(data.data(), data.size());
  bytes = bytes.substr(0, bytes.find('\0'));
  return TagLib::String(utf16_to_utf8(codepage_to_utf16(bytes, g_codepage)), TagLib::String::UTF8);
}

class Latin1Frames : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override { return from_codepage(data); }
};

class Id3v1Text : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return from_codepage(data).stripWhiteSpace();
  }
};

const Latin1Frames g_latin1_frames;
const Id3v1Text g_id3v1_text;

std::optional<std::u16string> to_u16(const TagLib::String& s) {
  if (s.isEmpty()) return std::nullopt;
  return utf8_to_utf16(s.to8Bit(true));
}

// ---- The tags as they lie in the file ----------------------------------------------------------

uint32_t be(const std::string& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | uint8_t(b[at + size_t(i)]);
  return v;
}

uint32_t synchsafe(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 7) | (uint8_t(b[at + size_t(i)]) & 0x7F);
  return v;
}

std::string synchsafe_bytes(uint32_t v) {
  std::string out(4, '\0');
  for (int i = 3; i >= 0; --i, v >>= 7) out[size_t(i)] = char(v & 0x7F);
  return out;
}

// A tag header or footer: identifier, version 2..4, flags, synchsafe size.
bool id3v2_header_at(const std::string& b, size_t at, const char* id) {
  if (b.size() < at + 10 || b.compare(at, 3, id) != 0) return false;
  const uint8_t version = uint8_t(b[at + 3]);
  if (version < 2 || version > 4 || uint8_t(b[at + 4]) == 0xFF) return false;
  for (size_t i = 6; i < 10; ++i)
    if (uint8_t(b[at + i]) & 0x80) return false;
  return true;
}

// The tags of a file, read from where they may be and nowhere else: an ID3v2 tag at its start, an
// ID3v1 tag in its last 128 bytes, and an ID3v2.4 tag that ends the file (or comes just before
// the ID3v1 tag) with its footer. Nothing else of the file is read, whatever its size, so a large
// file without tags costs a few small reads.
// The most of an ID3v2 tag that is read: tags with the largest covers stay far below it, and a
// junk file that starts like a tag costs no more.
constexpr uint64_t kMaxTagBytes = 32u << 20;

struct FileTags {
  std::string v2;        // the whole ID3v2 tag, header to footer, as the file holds it
  size_t v2_offset = 0;  // where it starts in the file
  std::string v1;        // the ID3v1 tag, or empty
  uint64_t v2_declared = 0;  // the size the ID3v2 tag's header gives, read or not
};

std::string read_at(std::ifstream& in, uint64_t offset, size_t size) {
  std::string b(size, '\0');
  in.clear();
  in.seekg(std::streamoff(offset));
  in.read(b.data(), std::streamsize(size));
  b.resize(size_t(in.gcount()));
  return b;
}

FileTags locate_tags(const std::filesystem::path& file) {
  FileTags out;
  std::error_code ec;
  // Only a file has a size: a FIFO, which would block the open, is left before it.
  const uint64_t size = std::filesystem::file_size(file, ec);
  if (ec) return out;
  std::ifstream in(file, std::ios::binary);
  if (!in) return out;

  std::string head = read_at(in, 0, 10);
  if (id3v2_header_at(head, 0, "ID3")) {
    const bool footer = uint8_t(head[3]) == 4 && (uint8_t(head[5]) & 0x10);
    const uint64_t tag_size = 10 + uint64_t(synchsafe(head, 6)) + (footer ? 10 : 0);
    out.v2_declared = tag_size;
    out.v2 = read_at(in, 0, size_t(std::min({tag_size, size, kMaxTagBytes})));
  }
  uint64_t end = size;
  if (size >= 128) {
    std::string tail = read_at(in, size - 128, 128);
    if (tail.compare(0, 3, "TAG") == 0) {
      out.v1 = std::move(tail);
      end -= 128;
    }
  }
  if (out.v2.empty() && end >= 20) {
    std::string foot = read_at(in, end - 10, 10);
    if (id3v2_header_at(foot, 0, "3DI") && uint8_t(foot[3]) == 4) {
      const uint64_t tag_size = 20 + uint64_t(synchsafe(foot, 6));
      if (tag_size <= end && tag_size <= kMaxTagBytes) {
        std::string tag = read_at(in, end - tag_size, size_t(tag_size));
        if (id3v2_header_at(tag, 0, "ID3")) {
          out.v2 = std::move(tag);
          out.v2_offset = size_t(end - tag_size);
        }
      }
    }
  }
  return out;
}

// The frames' bytes of an ID3v2 tag (after its header, up to its declared end), undoing the
// unsynchronisation of a v2.2/v2.3 tag that is unsynchronised as a whole, with the place in the
// tag each byte came from.
struct FrameBytes {
  std::string bytes;
  bool resynchronised = false;
  std::vector<uint32_t> dropped;  // each byte i with a zero after it in the tag that was dropped

  size_t tag_offset(size_t i) const {
    return 10 + i + size_t(std::lower_bound(dropped.begin(), dropped.end(), uint32_t(i)) - dropped.begin());
  }
};

FrameBytes frame_bytes(const std::string& tag) {
  FrameBytes out;
  if (tag.size() < 10) return out;
  const size_t end = std::min(tag.size(), size_t(10) + synchsafe(tag, 6));
  out.resynchronised = uint8_t(tag[3]) <= 3 && (uint8_t(tag[5]) & 0x80);
  if (!out.resynchronised) {
    out.bytes = tag.substr(10, end - 10);
    return out;
  }
  out.bytes.reserve(end - 10);
  for (size_t i = 10; i < end; ++i) {
    out.bytes.push_back(tag[i]);
    if (uint8_t(tag[i]) == 0xFF && i + 1 < end && tag[i + 1] == 0) {
      out.dropped.push_back(uint32_t(out.bytes.size() - 1));
      ++i;
    }
  }
  return out;
}

// Where the frames start in `frame_bytes`: past the extended header, if there is one.
size_t first_frame(const std::string& tag, const std::string& frames) {
  const int version = uint8_t(tag[3]);
  if (version < 3 || !(uint8_t(tag[5]) & 0x40)) return 0;
  if (frames.size() < 4) return frames.size();
  // v2.3: the size that follows does not count its own four bytes; v2.4: it counts them.
  const uint64_t size = version == 3 ? 4 + uint64_t(be(frames, 0, 4)) : synchsafe(frames, 0);
  return size_t(std::min<uint64_t>(size, frames.size()));
}

// The ID3v2 tag as TagLib 1.13 reads it whole: frames no longer unsynchronised as a whole, no
// extended header (TagLib reads a v2.3 one's size as a v2.4 one's and then finds no frame) and no
// footer (with one, TagLib drops the tag's last frame). Text and pictures are unchanged.
std::string normalised_id3v2(const std::string& tag) {
  if (tag.size() < 10) return {};
  FrameBytes frames = frame_bytes(tag);
  std::string body = frames.bytes.substr(first_frame(tag, frames.bytes));
  uint8_t flags = uint8_t(tag[5]);
  if (frames.resynchronised) flags &= uint8_t(~0x80);
  if (uint8_t(tag[3]) >= 3) flags &= uint8_t(~0x40);
  if (uint8_t(tag[3]) == 4) flags &= uint8_t(~0x10);
  if (body.size() >= (1u << 28)) return {};
  return tag.substr(0, 5) + char(flags) + synchsafe_bytes(uint32_t(body.size())) + body;
}

// ---- Picture location ---------------------------------------------------------------------------

// A picture frame as it lies in the tag.
struct RawPicture {
  size_t offset;       // of the data, from the start of the tag
  size_t size;         // bytes of data as stored
  uint8_t kind;        // the ID3 picture type (3 front cover)
  std::string format;  // MIME type, or the v2.2 three-letter image format
};

// Parses the body of a picture frame at [start, end) of the frames' bytes: encoding, MIME type (or
// v2.2 format), picture type, description; the data is what follows.
std::optional<RawPicture> parse_picture(const FrameBytes& f, size_t start, size_t end, bool v22) {
  const std::string& b = f.bytes;
  size_t p = start;
  if (p >= end) return std::nullopt;
  uint8_t enc = uint8_t(b[p++]);
  std::string format;
  if (v22) {
    if (p + 3 > end) return std::nullopt;
    format = b.substr(p, 3);
    p += 3;
  } else {
    size_t z = b.find('\0', p);
    if (z == std::string::npos || z >= end) return std::nullopt;
    format = b.substr(p, z - p);
    p = z + 1;
  }
  if (p >= end) return std::nullopt;
  uint8_t kind = uint8_t(b[p++]);
  // The description ends with one zero byte, or with two aligned ones in UTF-16.
  if (enc == 1 || enc == 2) {
    size_t q = p;
    while (q + 1 < end && !(b[q] == 0 && b[q + 1] == 0)) q += 2;
    if (q + 1 >= end) return std::nullopt;
    p = q + 2;
  } else {
    size_t z = b.find('\0', p);
    if (z == std::string::npos || z >= end) return std::nullopt;
    p = z + 1;
  }
  if (p >= end) return std::nullopt;
  // In the tag as stored the data runs from the place of its first byte to that of its last.
  const size_t first = f.tag_offset(p), last = f.tag_offset(end - 1);
  return RawPicture{first, last - first + 1, kind, format};
}

// Every picture frame of an ID3v2 tag, with the place of its data in the tag. Frames whose data
// is compressed or encrypted are left out; data that is unsynchronised is listed as stored, which
// the caller's comparison then rejects.
std::vector<RawPicture> picture_frames(const std::string& tag) {
  std::vector<RawPicture> out;
  if (!id3v2_header_at(tag, 0, "ID3")) return out;
  const int version = uint8_t(tag[3]);
  if (version == 2 && (uint8_t(tag[5]) & 0x40)) return out;  // v2.2 tag compression
  const FrameBytes f = frame_bytes(tag);
  const std::string& b = f.bytes;
  const size_t end = b.size();
  size_t pos = first_frame(tag, b);
  const size_t header = version == 2 ? 6 : 10;
  while (pos + header <= end && b[pos] != 0) {
    std::string id = b.substr(pos, version == 2 ? 3 : 4);
    size_t size = version == 2 ? be(b, pos + 3, 3) : version == 3 ? be(b, pos + 4, 4) : synchsafe(b, pos + 4);
    uint16_t fflags = version == 2 ? 0 : uint16_t(be(b, pos + 8, 2));
    size_t body = pos + header;
    if (size > end - body) break;
    size_t body_end = body + size;
    if (id == (version == 2 ? "PIC" : "APIC")) {
      bool skip = false;
      if (version == 3) {
        skip = (fflags & 0x00C0) != 0;        // compressed, encrypted
        if (fflags & 0x0020) body += 1;       // group id
      } else if (version == 4) {
        skip = (fflags & 0x000C) != 0;        // compressed, encrypted
        if (fflags & 0x0040) body += 1;       // group id
        if (fflags & 0x0001) body += 4;       // data length indicator
      }
      if (!skip && body < body_end)
        if (auto pic = parse_picture(f, body, body_end, version == 2)) out.push_back(*pic);
    }
    pos = body_end;
  }
  return out;
}

std::optional<uint8_t> image_type(std::string format, std::string_view data) {
  format = ascii_lower(format);
  if (format == "image/jpeg" || format == "image/jpg" || format == "image/pjpeg" || format == "jpg" ||
      format == "jpeg")
    return 0;
  if (format == "image/gif" || format == "gif") return 1;
  if (format == "image/png" || format == "png") return 2;
  if (format == "image/bmp" || format == "image/x-ms-bmp" || format == "image/x-bmp" || format == "bmp")
    return 3;
  // Unknown or missing type: the data's own signature.
  if (data.substr(0, 3) == "\xFF\xD8\xFF") return 0;
  if (data.substr(0, 4) == "GIF8") return 1;
  if (data.substr(0, 8) == "\x89PNG\r\n\x1A\n") return 2;
  if (data.substr(0, 2) == "BM") return 3;
  return std::nullopt;
}

// The picture to show and where it lies verbatim in the file, if it does.
std::optional<TagPicture> find_picture(const FileTags& file, TagLib::ID3v2::Tag* tag) {
  if (!tag) return std::nullopt;
  std::vector<const TagLib::ID3v2::AttachedPictureFrame*> pictures;
  for (auto* f : tag->frameList("APIC"))
    if (auto* p = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f)) pictures.push_back(p);
  if (pictures.empty()) return std::nullopt;
  std::stable_partition(pictures.begin(), pictures.end(), [](auto* p) {
    return p->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover;
  });

  const std::vector<RawPicture> raw = picture_frames(file.v2);
  for (auto* p : pictures) {
    TagLib::ByteVector data = p->picture();
    std::string_view want(data.data(), data.size());
    if (want.empty()) continue;
    for (const RawPicture& r : raw) {
      if (r.size != want.size() || std::string_view(file.v2).substr(r.offset, r.size) != want) continue;
      const uint64_t offset = uint64_t(file.v2_offset) + r.offset;
      if (offset + r.size > 0x7FFFFFFF) continue;
      auto type = image_type(r.format, want);
      if (!type) continue;
      return TagPicture{*type, int32_t(r.size), int32_t(offset)};
    }
  }
  return std::nullopt;
}

// The year: the recording date, else (v2.4) the release date or the original release date.
std::optional<std::u16string> year_of(TagLib::Tag* tag, TagLib::ID3v2::Tag* v2) {
  if (tag && tag->year() != 0) return utf8_to_utf16(std::to_string(tag->year()));
  if (!v2) return std::nullopt;
  for (const char* id : {"TDRL", "TDOR"}) {
    const TagLib::ID3v2::FrameList& frames = v2->frameList(id);
    if (frames.isEmpty()) continue;
    const std::string text = frames.front()->toString().to8Bit(true);
    if (text.size() >= 4 && std::all_of(text.begin(), text.begin() + 4, [](char c) {
          return c >= '0' && c <= '9';
        }) && text.compare(0, 4, "0000") != 0)
      return utf8_to_utf16(text.substr(0, 4));
  }
  return std::nullopt;
}

}  // namespace

TagReader::TagReader(Phone& phone) : phone_(phone) {
  TagLib::ID3v2::Tag::setLatin1StringHandler(&g_latin1_frames);
  TagLib::ID3v1::Tag::setStringHandler(&g_id3v1_text);
}

TagReader::~TagReader() {
  TagLib::ID3v2::Tag::setLatin1StringHandler(nullptr);
  TagLib::ID3v1::Tag::setStringHandler(nullptr);
}

TagData TagReader::read(const std::filesystem::path& file) const {
  g_codepage = phone_.options().codepage;
  TagData out;
  // TagLib reads a copy of the tags alone, so that it never searches the file for them.
  const FileTags tags = locate_tags(file);
  if (tags.v2_declared > kMaxTagBytes && phone_.trace().active())
    phone_.trace().write("# tag of " + std::to_string(tags.v2_declared >> 20) + " MiB: only its first " +
                         std::to_string(kMaxTagBytes >> 20) + " MiB read");
  std::string copy = normalised_id3v2(tags.v2) + tags.v1;
  if (copy.empty()) return out;
  TagLib::ByteVector bytes(copy.data(), unsigned(copy.size()));
  TagLib::ByteVectorStream stream(bytes);
  TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!f.isValid()) return out;
  TagLib::ID3v2::Tag* v2 = f.hasID3v2Tag() ? f.ID3v2Tag(false) : nullptr;
  if (TagLib::Tag* t = f.tag()) {
    out.text[TAG_ARTIST] = to_u16(t->artist());
    out.text[TAG_TITLE] = to_u16(t->title());
    out.text[TAG_ALBUM] = to_u16(t->album());
    out.text[TAG_YEAR] = year_of(t, v2);
    out.text[TAG_GENRE] = to_u16(t->genre());
  }
  out.picture = find_picture(tags, v2);
  return out;
}

FwHandle TagReader::open(std::u16string_view folder, std::u16string_view name) {
  auto path = phone_.files().resolve(folder, name);
  std::error_code ec;
  if (!path || !std::filesystem::is_regular_file(*path, ec)) return 0;
  FwHandle h = next_++;
  if (next_ == 0) next_ = 1;
  open_[h] = read(*path);
  return h;
}

void TagReader::close(FwHandle handle) { open_.erase(handle); }

const char16_t* TagReader::tag(FwHandle handle, int id) const {
  auto it = open_.find(handle);
  if (it == open_.end() || id < 0 || id > 4 || !it->second.text[id]) return nullptr;
  return it->second.text[id]->c_str();
}

const TagPicture* TagReader::picture(FwHandle handle) const {
  auto it = open_.find(handle);
  if (it == open_.end() || !it->second.picture) return nullptr;
  return &*it->second.picture;
}
}  // namespace host
