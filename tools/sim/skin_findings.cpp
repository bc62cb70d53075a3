#include "sim/skin_findings.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace sim {

bool SkinFindings::check(const std::filesystem::path& skin, const skin::ConfigChoice& config,
                         int screen_w, int screen_h) {
  std::vector<skin::Finding> found = skin::check_skin(skin, config, screen_w, screen_h);
  const auto text = [](const std::vector<skin::Finding>& v) {
    std::vector<std::string> out;
    for (const skin::Finding& f : v) out.push_back(skin::format_finding(f));
    return out;
  };
  const bool changed = text(found) != text(findings_);
  findings_ = std::move(found);
  for (const std::string& line : text(findings_))
    if (told_.insert(line).second) log_ << "tunestrip-sim: " << line << "\n";
  return changed;
}

std::string SkinFindings::summary() const {
  if (findings_.empty()) return "skin check: no findings";
  const std::string out = "skin check: " + skin::count_text(findings_);
  // The first error, else the first warning.
  auto first = std::find_if(findings_.begin(), findings_.end(),
                            [](const skin::Finding& f) { return f.severity == skin::Severity::Error; });
  if (first == findings_.end()) first = findings_.begin();
  return out + ": " + skin::format_finding(*first);
}

}  // namespace sim
