// The skin checker's findings for the skin and configuration a run uses, looked at again after
// each change. Each finding is printed on the log once, the first time it is found.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "skin/check.h"
#include "skin/skin.h"

namespace sim {

class SkinFindings {
 public:
  explicit SkinFindings(std::ostream& log) : log_(log) {}

  // Runs the skin checker on the skin folder `skin` with `config` for a screen of that size;
  // true when its findings changed.
  bool check(const std::filesystem::path& skin, const skin::ConfigChoice& config, int screen_w,
             int screen_h);

  const std::vector<skin::Finding>& all() const { return findings_; }
  // One line: "skin check: 1 error, 2 warnings: the first error (else the first warning)", or
  // "skin check: no findings".
  std::string summary() const;

 private:
  std::ostream& log_;
  std::vector<skin::Finding> findings_;
  std::set<std::string> told_;  // as printed
};

}  // namespace sim
