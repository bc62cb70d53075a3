// A packed skin (a .zip as `tunestrip-skin pack` writes it, or as someone else zipped a skin)
// unpacked into a temporary folder, so that the checker and the preview read it as a skin folder.
//
// A packed skin comes from anyone, so nothing of it is trusted: an entry with an absolute path,
// a `..` component, a link or another file that is not plain, an encrypted one, one larger than
// kMaxEntryBytes unpacked, all of them together larger than kMaxTotalBytes, or more than
// kMaxEntries entries refuse the whole archive before anything is written. Sizes are held to the
// limits while unpacking too, whatever the archive declares.
//
// Where the skin lies in the archive: in the phone's folders (kPackedImageFolder and
// kPackedConfig, as `pack` writes them), else in the archive's top folder, else in its one folder
// when everything lies in one. Entries elsewhere are not unpacked, and are named in ignored().
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/temp_folder.h"

namespace skin {

constexpr size_t kMaxEntries = 64;
constexpr uint64_t kMaxEntryBytes = 16u << 20;  // 16 MiB
constexpr uint64_t kMaxTotalBytes = 64u << 20;  // 64 MiB

// The skin's place in a packed skin: the phone's memory card from its root, where the add-on
// looks for its images (the second configuration folder's TuneStrip folder) and its
// configuration (that configuration folder).
constexpr std::string_view kPackedImageFolder = "other/ZBin/Config/TuneStrip/";
constexpr std::string_view kPackedConfig = "other/ZBin/Config/TuneStrip.bcfg";

// A packed skin that cannot be unpacked: "NAME.zip: what is wrong" (the archive's name as given).
class UnpackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True for a path that names a packed skin (ends in .zip, in any case).
bool is_packed(const std::filesystem::path& path);

class UnpackedSkin {
 public:
  // Unpacks `zip`; throws UnpackError.
  explicit UnpackedSkin(const std::filesystem::path& zip);
  UnpackedSkin(const UnpackedSkin&) = delete;
  UnpackedSkin& operator=(const UnpackedSkin&) = delete;

  // The skin folder: the images and TuneStrip.bcfg side by side, named as the archive is
  // (without .zip), in a fresh temporary folder that goes with the object.
  const std::filesystem::path& dir() const { return dir_; }
  // The archive's entries outside the skin, which the phone would never read.
  const std::vector<std::string>& ignored() const { return ignored_; }

 private:
  // The temporary folder, removed with the object (also when unpacking fails).
  std::optional<host::TempFolder> root_;
  std::filesystem::path dir_;
  std::vector<std::string> ignored_;
};

}  // namespace skin
