#include "skin/pack.h"

#include "core/atomic_file.h"

#include <sys/stat.h>
#include <zip.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>

#include "cli/interrupt.h"
#include "skin/unpack.h"

namespace fs = std::filesystem;

namespace skin {
namespace {

std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof())
    throw PackError(path.string() + ": cannot read: " + std::strerror(errno));
  return bytes;
}

// The file's date, or now when it has none.
fs::file_time_type date_of(const fs::path& path) {
  std::error_code ec;
  const fs::file_time_type when = fs::last_write_time(path, ec);
  return ec ? fs::file_time_type::clock::now() : when;
}

// An archive being written; discarded (nothing written) unless close() succeeds.
class NewArchive {
 public:
  explicit NewArchive(const fs::path& zip) : label_(zip.string()) {
    int code = 0;
    zip_ = zip_open(zip.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip_) {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      const std::string why = zip_error_strerror(&error);
      zip_error_fini(&error);
      throw PackError(label_ + ": cannot write: " + why);
    }
  }
  ~NewArchive() {
    if (zip_) zip_discard(zip_);
  }
  NewArchive(const NewArchive&) = delete;
  NewArchive& operator=(const NewArchive&) = delete;

  // Adds `bytes` as the plain file `name`, dated `when`.
  void add(const std::string& name, std::string bytes, fs::file_time_type when) {
    const std::string& kept = data_.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(zip_, kept.data(), kept.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(zip_, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (source) zip_source_free(source);
      fail();
    }
    const auto date = fs::file_time_type::clock::to_sys(when);
    zip_file_set_mtime(zip_, zip_uint64_t(index), std::chrono::system_clock::to_time_t(date), 0);
    zip_file_set_external_attributes(zip_, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                     zip_uint32_t(S_IFREG | 0644) << 16);
  }

  // libzip writes the archive into a temporary file beside it and renames that over it; Ctrl+C
  // waits meanwhile, so that neither a half archive nor the temporary file stays.
  void close() {
    const host::HoldSignals hold;
    if (zip_close(zip_) != 0) fail();
    zip_ = nullptr;
  }

 private:
  [[noreturn]] void fail() { throw PackError(label_ + ": cannot write: " + zip_strerror(zip_)); }

  std::string label_;
  zip_t* zip_ = nullptr;
  std::list<std::string> data_;  // the entries' bytes, which libzip reads when it closes
};

}  // namespace

Packed pack_skin(const fs::path& dir, const ConfigChoice& config, const fs::path& zip,
                 std::vector<Finding>* refused) {
  std::error_code ec;
  if (fs::is_directory(zip, ec)) throw PackError(zip.string() + ": is a folder");
  Packed packed;
  packed.findings = check_skin(dir, config);
  if (has_errors(packed.findings)) {
    size_t errors = 0;
    for (const Finding& f : packed.findings) errors += f.severity == Severity::Error;
    if (refused) *refused = packed.findings;
    throw PackError(dir.string() + ": not packed: the skin has " + std::to_string(errors) +
                    (errors == 1 ? " error" : " errors") + " (above)");
  }
  NewArchive archive(zip);
  for (const PanelImage& image : kPanelImages) {
    const std::optional<fs::path> from = find_file(dir, image.file);
    if (!from) continue;
    const std::string name = std::string(kPackedImageFolder) + std::string(image.file);
    archive.add(name, read_whole(*from), date_of(*from));
    packed.entries.push_back(name);
  }
  if (!config.file.empty()) {
    archive.add(std::string(kPackedConfig), read_whole(config.file), date_of(config.file));
    packed.entries.push_back(std::string(kPackedConfig));
  }
  archive.close();
  return packed;
}

}  // namespace skin
