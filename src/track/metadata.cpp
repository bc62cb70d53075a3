// The current track's tags, stream data and cover picture.
#include "track/metadata.h"

#include <new>

#include "shell/app.h"

FSTAT _fstat;

namespace {

// Tag ids of the firmware's tag reader.
constexpr int TAG_ARTIST = 0;
constexpr int TAG_TITLE = 1;
constexpr int TAG_ALBUM = 2;
constexpr int TAG_YEAR = 3;
constexpr int TAG_GENRE = 4;

// Pictures beside the track, in the order they are looked for.
const char16_t* const CoverNames[] = {u"Cover.png", u"Cover.jpg", u"Cover.bmp",
                                      u"Album.png", u"Album.jpg", u"Album.bmp"};

const char16_t* ReadTag(FwHandle handle, int tag) {
  return handle ? fw_metadata_get_tag(handle, tag) : nullptr;
}

// Size of a file from its status record, or -1 when it has none.
int64_t FileSize(const char16_t* folder, const char16_t* name) {
  FSTAT st;
  if (fw_file_stat(folder, name, &st) < 0) return -1;
  uint32_t size;
  __builtin_memcpy(&size, st.raw + 8, 4);
  return size;
}

// Makes BufferIMG from the picture inside the track's tag. False, with no image, when the
// picture's place is impossible or it cannot be read or decoded.
bool LoadTagPicture(const char16_t* folder, const char16_t* name, const METADATA* md) {
  int32_t size = md->coversize;
  int32_t offset = md->coveroffset;
  if (size <= 0 || offset < 0) return false;
  int64_t file_size = FileSize(folder, name);
  if (file_size < 0 || int64_t(offset) + size > file_size) return false;

  int fd = fw_file_open(folder, name, FW_OPEN_READ, FW_PERM_RW, 0);
  if (fd < 0) return false;
  bool made = false;
  if (fw_file_seek(fd, offset, FW_SEEK_SET) >= 0) {
    uint8_t* data = new (std::nothrow) uint8_t[size_t(size) + 1];
    if (data) {
      if (fw_file_read(fd, data, size) == size) {
        // The buffer belongs to the image service from here on, whether or not it decodes.
        int r = fw_image_from_buffer(data, size, 0, GetType_str(md->covertype), &BufferIMG);
        made = r >= 0 && BufferIMG != NOIMAGE;
        if (!made) BufferIMG = NOIMAGE;
      } else {
        delete[] data;
      }
    }
  }
  fw_file_close(fd);
  return made;
}

}  // namespace

const char16_t* GetType_str(int type) {
  switch (type) {
    case 0: return u"jpg";
    case 1: return u"gif";
    case 2: return u"png";
    case 3: return u"bmp";
    default: return nullptr;
  }
}

void GetCover(FwHandle handle, const char16_t* folder, const char16_t* name, METADATA* md) {
  fw_image_free(BufferIMG);
  BufferIMG = NOIMAGE;

  md->covertype = 0;
  md->coversize = 0;
  md->coveroffset = 0;
  if (handle && fw_metadata_get_cover(handle, &md->covertype, &md->coversize, &md->coveroffset) &&
      LoadTagPicture(folder, name, md))
    return;

  // No usable picture in the tag: the folder's pictures, then the program's own.
  for (const char16_t* cover : CoverNames) {
    if (fw_file_stat(folder, cover, &_fstat) < 0) continue;
    if (fw_image_load(folder, cover, &BufferIMG) >= 0 && BufferIMG != NOIMAGE) return;
    BufferIMG = NOIMAGE;  // there but unreadable: look further
  }
  fw_image_load(dir, u"NoCover.png", &BufferIMG);
}

void GetMetaData(METADATA* md, const char16_t* folder, const char16_t* name) {
  if (!md) return;
  if (md->handle) fw_metadata_close(md->handle);
  md->handle = 0;
  md->path = folder;
  md->name = name;
  md->handle = fw_metadata_open(folder, name);

  md->title = ReadTag(md->handle, TAG_TITLE);
  if (!md->title || !md->title[0]) md->title = name;
  md->album = ReadTag(md->handle, TAG_ALBUM);
  md->artist = ReadTag(md->handle, TAG_ARTIST);
  md->year = ReadTag(md->handle, TAG_YEAR);
  md->genre = ReadTag(md->handle, TAG_GENRE);

  GetCover(md->handle, folder, name, md);
  md->info = ReadMP3Information(folder, name);
}
