#include "skin/unpack.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>

#include "skin/skin.h"

namespace fs = std::filesystem;

namespace skin {
namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

std::string mib(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// One entry that holds a file, its name with '/' between folders.
struct Entry {
  zip_uint64_t index;
  std::string name;
  uint64_t size;
};

class Archive {
 public:
  explicit Archive(const fs::path& zip) : label_(zip.string()) {
    std::error_code ec;
    if (!fs::exists(zip, ec)) fail("no such file");
    if (!fs::is_regular_file(zip, ec)) fail("not a file");
    int code = 0;
    zip_.reset(zip_open(zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!zip_) {
      if (code == ZIP_ER_NOZIP) fail("not a zip archive");
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      const std::string why = zip_error_strerror(&error);
      zip_error_fini(&error);
      fail("cannot open: " + why);
    }
  }

  [[noreturn]] void fail(const std::string& why) const { throw UnpackError(label_ + ": " + why); }
  [[noreturn]] void refuse(const std::string& name, const std::string& why) const {
    fail("refused: the entry \"" + name + "\" " + why);
  }

  // Every entry that holds a file, each checked; refuses the archive at the first entry that
  // could reach outside the skin or is too big.
  std::vector<Entry> entries() const {
    const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
    if (count < 0) fail("cannot read its entries");
    if (uint64_t(count) > kMaxEntries)
      fail("refused: " + std::to_string(count) + " entries, more than the " +
           std::to_string(kMaxEntries) + " a packed skin may hold");
    std::vector<Entry> out;
    uint64_t total = 0;
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); ++i) {
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(zip_.get(), i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
        fail("cannot read entry " + std::to_string(i + 1));
      std::string name = st.name;
      std::replace(name.begin(), name.end(), '\\', '/');
      check_name(st.name, name);
      zip_uint8_t system = 0;
      zip_uint32_t attributes = 0;
      if (zip_file_get_external_attributes(zip_.get(), i, 0, &system, &attributes) == 0 &&
          system == ZIP_OPSYS_UNIX) {
        const mode_t mode = mode_t(attributes >> 16);
        if (S_ISLNK(mode)) refuse(st.name, "is a symbolic link");
        if ((mode & S_IFMT) != 0 && !S_ISREG(mode) && !S_ISDIR(mode))
          refuse(st.name, "is not a plain file");
      }
      if (name.ends_with('/')) continue;  // a folder
      if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        refuse(st.name, "is encrypted");
      const uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
      if (size > kMaxEntryBytes) refuse(st.name, too_big(size));
      total += size;
      if (total > kMaxTotalBytes) fail("refused: " + too_much());
      out.push_back({i, name, size});
    }
    return out;
  }

  // The entry's bytes, held to the limits whatever its header declares.
  std::string read(const Entry& e, uint64_t& total) const {
    std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(zip_.get(), e.index, 0));
    if (!f) fail("cannot read \"" + e.name + "\": " + zip_strerror(zip_.get()));
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
      const zip_int64_t n = zip_fread(f.get(), buffer, sizeof buffer);
      if (n < 0) fail("cannot read \"" + e.name + "\": " + zip_file_strerror(f.get()));
      if (n == 0) break;
      bytes.append(buffer, size_t(n));
      total += uint64_t(n);
      if (bytes.size() > kMaxEntryBytes) refuse(e.name, too_big(bytes.size()));
      if (total > kMaxTotalBytes) fail("refused: " + too_much());
    }
    return bytes;
  }

 private:
  // Refuses a name that is absolute or climbs out of the archive's folder.
  void check_name(const std::string& raw, const std::string& name) const {
    if (name.empty()) refuse(raw, "has no name");
    if (name.front() == '/' || (name.size() > 1 && name[1] == ':'))
      refuse(raw, "has an absolute path");
    size_t from = 0;
    while (from <= name.size()) {
      const size_t to = std::min(name.find('/', from), name.size());
      if (name.compare(from, to - from, "..") == 0) refuse(raw, "climbs out of the skin (..)");
      from = to + 1;
    }
  }

  static std::string too_big(uint64_t size) {
    return "unpacks to " + std::to_string(size) + " bytes, more than the limit of " +
           mib(kMaxEntryBytes) + " an entry";
  }
  static std::string too_much() {
    return "the entries unpack to more than the limit of " + mib(kMaxTotalBytes) + " in all";
  }

  std::string label_;
  std::unique_ptr<zip_t, ZipCloser> zip_;
};

// Where the skin lies among `entries`: the folder of its images and the configuration's entry
// (both lower case, the folder with its '/').
struct Place {
  std::string folder;
  std::string config;
};

Place skin_place(const std::vector<Entry>& entries) {
  const std::string phone_folder = lower(kPackedImageFolder);
  const std::string phone_config = lower(kPackedConfig);
  const std::string config = lower(kConfigName);
  bool at_top = false;
  std::set<std::string> tops;
  for (const Entry& e : entries) {
    const std::string n = lower(e.name);
    if (n.starts_with(phone_folder) || n == phone_config) return {phone_folder, phone_config};
    const size_t slash = n.find('/');
    if (slash == std::string::npos)
      at_top = true;
    else
      tops.insert(n.substr(0, slash + 1));
  }
  if (at_top || tops.size() != 1) return {"", config};
  return {*tops.begin(), *tops.begin() + config};
}

}  // namespace

bool is_packed(const fs::path& path) { return lower(path.extension().string()) == ".zip"; }

UnpackedSkin::UnpackedSkin(const fs::path& zip) {
  const Archive archive(zip);
  const std::vector<Entry> entries = archive.entries();
  const Place place = skin_place(entries);

  std::error_code ec;
  root_.emplace("tunestrip-skin.", ec);
  if (ec) archive.fail("cannot make a temporary folder to unpack into");
  std::string stem = zip.stem().string();
  if (stem.empty() || stem == "." || stem == "..") stem = "skin";
  dir_ = root_->path() / stem;
  fs::create_directory(dir_);

  std::set<std::string> written;  // lower case, as the phone's memory card tells names apart
  uint64_t total = 0;
  for (const Entry& e : entries) {
    const std::string n = lower(e.name);
    std::string as;
    if (n == place.config)
      as = std::string(kConfigName);
    else if (n.starts_with(place.folder) && n.find('/', place.folder.size()) == std::string::npos)
      as = e.name.substr(place.folder.size());
    if (as.empty()) {
      ignored_.push_back(e.name);
      continue;
    }
    if (!written.insert(lower(as)).second)
      archive.fail("refused: two entries are the file \"" + as +
                   "\" on the phone, whose memory card does not tell case apart");
    const std::string bytes = archive.read(e, total);
    std::ofstream out(dir_ / as, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) archive.fail("cannot unpack \"" + e.name + "\" into " + dir_.string());
  }
}

}  // namespace skin
