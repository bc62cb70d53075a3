// Loaded images: decoded (image_decode.h: PNG, JPEG, BMP, GIF) from the phone's files or from a
// buffer in memory, kept as straight-alpha RGBA and named by 16-bit ids. A picture refused for its
// declared size is noted in the call trace ("# picture not decoded: ...").
//
// Ids run upwards from 1 and wrap, skipping 0, NOIMAGE (0xFFFF) and every live id, so a stale id
// that the add-on frees twice, or the 0 a handle holds before anything was loaded into it, never
// names someone else's image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "images/image_decode.h"
#include "platform/fw_types.h"

namespace host {

class Phone;

class ImageStore {
 public:
  explicit ImageStore(Phone& phone);
  ~ImageStore();
  ImageStore(const ImageStore&) = delete;
  ImageStore& operator=(const ImageStore&) = delete;

  // fw_image_load: the picture file `name` in phone folder `folder` (names matched without regard
  // to case). 0 and the new id in *id; on failure a negative result and NOIMAGE in *id.
  int load(std::u16string_view folder, std::u16string_view name, IMAGEID* id);
  // fw_image_from_buffer: `buf` was allocated by the add-on (fw_malloc) and belongs to the image
  // from now on; it is released with the image. A null type or an undecodable buffer gives no
  // image (negative result, NOIMAGE in *id) and the buffer is released at once.
  int from_buffer(void* buf, int size, const char16_t* type, IMAGEID* id);
  // Adds a decoded picture (host code, tests); NOIMAGE when no id is free.
  IMAGEID add(Image image);
  // fw_image_free: false for an id that is not live (0, NOIMAGE, freed, never made).
  bool free(IMAGEID id);

  // The picture of a live id, or null.
  const Image* get(IMAGEID id) const;

  size_t live() const { return images_.size(); }
  size_t failed_loads() const { return failed_; }
  // Frees of ids that were never made or were freed already (0 and NOIMAGE are not counted).
  size_t bad_frees() const { return bad_frees_; }

 private:
  struct Entry {
    Image image;
    void* owned_buffer = nullptr;  // the add-on's buffer behind an image made from memory
  };
  IMAGEID next_free_id();
  void note_refused(const std::string& why);
  IMAGEID insert(Entry entry);

  Phone& phone_;
  std::map<IMAGEID, Entry> images_;
  IMAGEID next_ = 1;
  uint64_t serials_ = 0;
  size_t failed_ = 0;
  size_t bad_frees_ = 0;
};

}  // namespace host
