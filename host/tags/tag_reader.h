// The phone's tag reader: the metadata services (fw_metadata_open/close/get_tag/get_cover) over
// TagLib. It reads ID3v1 and ID3v2.2-2.4 in every text encoding, hands text out as UTF-16 that the
// handle owns until it is closed, and finds where the tag's picture lies in the file.
//
// Latin-1 text of ID3v2 frames and all ID3v1 text is converted with the phone's code page option
// (Options::codepage, "cp1251" by default; "latin1" reads the bytes as ISO 8859-1).
//
// The picture (front cover first, otherwise the first picture of the ID3v2 tag) is reported only
// when its bytes lie verbatim in the file, that is when the data at the reported offset is exactly
// what the tag decodes to: a picture inside unsynchronised, compressed or encrypted data is not
// reported, nor one of unknown image type, empty, or past the end of the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fw_types.h"

namespace host {

class Phone;

// Tag ids of fw_metadata_get_tag.
enum TagId { TAG_ARTIST = 0, TAG_TITLE = 1, TAG_ALBUM = 2, TAG_YEAR = 3, TAG_GENRE = 4 };

// Where a tag's picture lies in its file.
struct TagPicture {
  uint8_t type = 0;     // 0 jpg, 1 gif, 2 png, 3 bmp
  int32_t size = 0;     // bytes of picture data
  int32_t offset = 0;   // byte offset of the data in the file
};

// Everything the reader gives for one file.
struct TagData {
  std::optional<std::u16string> text[5];  // by TagId; absent tags are empty optionals
  std::optional<TagPicture> picture;
};

class TagReader {
 public:
  explicit TagReader(Phone& phone);
  ~TagReader();
  TagReader(const TagReader&) = delete;
  TagReader& operator=(const TagReader&) = delete;

  // Reads the tags of a PC file with the phone's code page. A file TagLib cannot read gives no
  // tags and no picture.
  TagData read(const std::filesystem::path& file) const;

  // The services: a handle (0 when the file is not there), the text of a tag (null when absent or
  // for an unknown handle or id; valid until the handle is closed), the picture.
  FwHandle open(std::u16string_view folder, std::u16string_view name);
  void close(FwHandle handle);
  const char16_t* tag(FwHandle handle, int id) const;
  const TagPicture* picture(FwHandle handle) const;

  // Handles open now (for the resource summary).
  size_t live() const { return open_.size(); }

 private:
  Phone& phone_;
  std::map<FwHandle, TagData> open_;
  FwHandle next_ = 1;
};

}  // namespace host
