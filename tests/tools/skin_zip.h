// Zip archives for the tests of packed skins, written and read with libzip: any entry a packed
// skin from someone else may hold, links and paths that reach outside included.
#pragma once

#include <sys/stat.h>
#include <zip.h>

#include <filesystem>
#include <list>
#include <string>
#include <vector>

namespace ts {

struct ZipEntry {
  std::string name;
  std::string bytes;
  unsigned mode = S_IFREG | 0644;  // a link: S_IFLNK | 0777, its bytes the target
};

// Writes `entries` as the archive `path`; false when libzip refuses.
inline bool write_zip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) return false;
  for (const ZipEntry& e : entries) {
    zip_source_t* s = zip_source_buffer(z, e.bytes.data(), e.bytes.size(), 0);
    const zip_int64_t i = s ? zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
    if (i < 0 ||
        zip_file_set_external_attributes(z, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, e.mode << 16) != 0) {
      zip_discard(z);
      return false;
    }
  }
  return zip_close(z) == 0;
}

// The entries of the archive `path`, in order (empty when it cannot be read).
inline std::vector<ZipEntry> read_zip(const std::filesystem::path& path) {
  std::vector<ZipEntry> out;
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!z) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    ZipEntry e;
    e.name = zip_get_name(z, zip_uint64_t(i), 0);
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(z, zip_uint64_t(i), 0, &system, &attributes);
    e.mode = attributes >> 16;
    if (zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0)) {
      char buf[4096];
      for (zip_int64_t n; (n = zip_fread(f, buf, sizeof buf)) > 0;) e.bytes.append(buf, size_t(n));
      zip_fclose(f);
    }
    out.push_back(std::move(e));
  }
  zip_discard(z);
  return out;
}

}  // namespace ts
