#include "host/tag_reader.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "host/file_system.h"
#include "host/phone.h"
#include "host/service_table.h"
#include "host/wstr.h"

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

// ---- Picture location ---------------------------------------------------------------------------

// A picture frame as it lies in the file.
struct RawPicture {
  size_t offset;       // of the data, from the start of the file
  size_t size;         // bytes of data as stored
  uint8_t kind;        // the ID3 picture type (3 front cover)
  std::string format;  // MIME type, or the v2.2 three-letter image format
};

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

// Parses the body of a picture frame at [start, end) of the file bytes: encoding, MIME type (or
// v2.2 format), picture type, description, data.
std::optional<RawPicture> parse_picture(const std::string& b, size_t start, size_t end, bool v22) {
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
  return RawPicture{p, end - p, kind, format};
}

// Every picture frame of the ID3v2 tag at the start of `b` (the file's first bytes), with the
// place of its data in the file. Frames whose data is compressed or encrypted are left out; data
// the tag unsynchronises is listed as stored, which the caller's comparison then rejects.
std::vector<RawPicture> picture_frames(const std::string& b) {
  std::vector<RawPicture> out;
  if (b.size() < 10 || b.compare(0, 3, "ID3") != 0) return out;
  int version = uint8_t(b[3]);
  uint8_t flags = uint8_t(b[5]);
  if (version < 2 || version > 4) return out;
  if (version == 2 && (flags & 0x40)) return out;  // v2.2 tag compression
  size_t end = std::min(b.size(), size_t(10) + synchsafe(b, 6));
  size_t pos = 10;
  if (version >= 3 && (flags & 0x40)) {
    if (pos + 4 > end) return out;
    pos += version == 3 ? 4 + be(b, pos, 4) : synchsafe(b, pos);
  }
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
        if (auto pic = parse_picture(b, body, body_end, version == 2)) out.push_back(*pic);
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

// The first bytes of a file, up to and including its ID3v2 tag.
std::string tag_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string b(10, '\0');
  if (!in.read(b.data(), 10) || b.compare(0, 3, "ID3") != 0) return {};
  size_t size = size_t(synchsafe(b, 6)) + 10;
  std::error_code ec;
  size = std::min<size_t>(size, std::filesystem::file_size(file, ec));
  if (ec) return {};
  b.resize(size);
  in.read(b.data() + 10, std::streamsize(size - 10));
  b.resize(10 + size_t(in.gcount()));
  return b;
}

// The picture to show and where it lies verbatim in the file, if it does.
std::optional<TagPicture> find_picture(const std::filesystem::path& file, TagLib::ID3v2::Tag* tag) {
  if (!tag) return std::nullopt;
  std::vector<const TagLib::ID3v2::AttachedPictureFrame*> pictures;
  for (auto* f : tag->frameList("APIC"))
    if (auto* p = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f)) pictures.push_back(p);
  if (pictures.empty()) return std::nullopt;
  std::stable_partition(pictures.begin(), pictures.end(), [](auto* p) {
    return p->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover;
  });

  std::string bytes = tag_bytes(file);
  std::vector<RawPicture> raw = picture_frames(bytes);
  for (auto* p : pictures) {
    TagLib::ByteVector data = p->picture();
    std::string_view want(data.data(), data.size());
    if (want.empty()) continue;
    for (const RawPicture& r : raw) {
      if (r.size != want.size() || std::string_view(bytes).substr(r.offset, r.size) != want) continue;
      if (r.offset + r.size > 0x7FFFFFFF) continue;
      auto type = image_type(r.format, want);
      if (!type) continue;
      return TagPicture{*type, int32_t(r.size), int32_t(r.offset)};
    }
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
  TagLib::MPEG::File f(file.c_str(), false);
  if (!f.isValid()) return out;
  if (TagLib::Tag* t = f.tag()) {
    out.text[TAG_ARTIST] = to_u16(t->artist());
    out.text[TAG_TITLE] = to_u16(t->title());
    out.text[TAG_ALBUM] = to_u16(t->album());
    if (t->year() != 0) out.text[TAG_YEAR] = utf8_to_utf16(std::to_string(t->year()));
    out.text[TAG_GENRE] = to_u16(t->genre());
  }
  out.picture = find_picture(file, f.ID3v2Tag(false));
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

namespace svc {

FwHandle fw_metadata_open(const char16_t* path, const char16_t* name) {
  if (!path || !name) return 0;
  return phone().tags().open(path, name);
}

void fw_metadata_close(FwHandle handle) { phone().tags().close(handle); }

const char16_t* fw_metadata_get_tag(FwHandle handle, int tag) { return phone().tags().tag(handle, tag); }

int fw_metadata_get_cover(FwHandle handle, uint8_t* type, int* size, int* offset) {
  const TagPicture* p = phone().tags().picture(handle);
  if (type) *type = p ? p->type : 0;
  if (size) *size = p ? p->size : 0;
  if (offset) *offset = p ? p->offset : 0;
  return p ? 1 : 0;
}

}  // namespace svc
}  // namespace host
