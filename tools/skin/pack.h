// Packing a skin to share: its panel images and its configuration in one .zip, laid out in the
// phone's folders (unpack.h: kPackedImageFolder, kPackedConfig), so that unpacking it at the root
// of the phone's memory card installs the skin. Only a skin the checker finds no error in is
// packed.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "skin/check.h"
#include "skin/skin.h"

namespace skin {

// A skin that cannot be packed (its errors are in the findings), or an archive that cannot be
// written: one line naming the file and the reason.
class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Packed {
  std::vector<Finding> findings;     // the checker's, warnings only once packed
  std::vector<std::string> entries;  // the archive's entries, in order
};

// Checks the skin in `dir` with `config` (check_skin), then writes `zip` anew: into a temporary
// file beside it, renamed over it once whole, so that a failure leaves an earlier archive as it
// was. A skin with errors is not packed: throws PackError, with the findings in `refused`.
// Images of the skin that are missing (of elements the configuration hides) are left out; so
// is the configuration when the check used the built-in block (the phone then keeps its own).
Packed pack_skin(const std::filesystem::path& dir, const ConfigChoice& config,
                 const std::filesystem::path& zip, std::vector<Finding>* refused = nullptr);

}  // namespace skin
