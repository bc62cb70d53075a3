// What two skins or configurations change: each side a skin folder, a packed skin (.zip) or a
// lone configuration file (.bcfg); the configuration items that differ, by their names and
// English labels, and the panel images whose pixels differ.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "skin/skin.h"
#include "skin/unpack.h"

namespace skin {

// A side that cannot be read: one line naming it and the reason.
class DiffError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One side of a comparison, as given on the command line.
class DiffSide {
 public:
  // Opens `given`: a folder, a .zip (unpacked) or a .bcfg file; throws DiffError.
  explicit DiffSide(const std::filesystem::path& given);

  const std::filesystem::path& given() const { return given_; }
  // The skin folder; empty for a lone configuration.
  const std::filesystem::path& skin() const { return skin_; }
  // The configuration: the file given, or the skin's own, else the built-in block.
  const ConfigChoice& config() const { return config_; }

 private:
  std::filesystem::path given_;
  std::shared_ptr<UnpackedSkin> packed_;
  std::filesystem::path skin_;
  ConfigChoice config_;
};

// One line per difference, configuration items first, in block order:
//   NAME (English label): A -> B
// then the panel images, when both sides are skins:
//   Fon.png: 1200 of 19200 pixels differ      Key1.png: only in A      NoCover.png: 60x60 -> 48x48
// No lines: the two are the same. Throws DiffError for a configuration that cannot be read.
std::vector<std::string> diff_skins(const DiffSide& a, const DiffSide& b);

}  // namespace skin
