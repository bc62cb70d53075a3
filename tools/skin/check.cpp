#include "skin/check.h"

#include <algorithm>
#include <span>

#include "cli/json.h"
#include "skin/check_parts.h"

namespace fs = std::filesystem;

namespace skin {

namespace detail {

std::string rect_text(const RECT& r) {
  return std::to_string(r.x1) + "," + std::to_string(r.x2) + "," + std::to_string(r.y1) + "," +
         std::to_string(r.y2);
}

std::string size_text(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

}  // namespace detail

namespace {

// The block the phone would run with: a file of the block's size is taken whole, as the add-on
// takes it; an unreadable file or one of another size is replaced by the built-in block. Faults
// of the file itself are added to `out`; `usable` tells whether its values are worth checking.
// What the add-on does with a configuration file it cannot take: it writes the block it runs
// with over it, which is the built-in one when it starts and the last good one while it runs.
constexpr const char* kReplaced =
    "the phone writes the configuration it runs with in its place: the built-in one when the "
    "add-on starts, the last good one while it runs";

bcfg::Image load_config(const ConfigChoice& config, std::vector<Finding>& out, bool& usable) {
  usable = true;
  if (config.file.empty()) return bcfg::default_image();
  const std::string name = config.file.string();
  std::vector<uint8_t> bytes;
  try {
    bytes = bcfg::read_bytes(config.file);
  } catch (const bcfg::Error& e) {
    std::string why = e.what();
    if (why.starts_with(name + ": ")) why.erase(0, name.size() + 2);
    out.push_back({name, Severity::Error,
                   why + "; " + kReplaced + " (the images are checked against the built-in one)"});
    usable = false;
    return bcfg::default_image();
  }
  if (bytes.size() != bcfg::kSize) {
    out.push_back({name, Severity::Error,
                   "holds " + std::to_string(bytes.size()) + " bytes, a configuration holds " +
                       std::to_string(bcfg::kSize) +
                       "; " + kReplaced +
                       " (the images are checked against the built-in one); write it again with "
                       "tunestrip-bcfg"});
    usable = false;
    return bcfg::default_image();
  }
  bcfg::Image image;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  if (auto fault = bcfg::check(bytes, false)) {
    out.push_back({name, Severity::Error,
                   "byte " + std::to_string(fault->offset) + ": " + fault->message +
                       "; the phone takes the file as it is and reads its values at fixed "
                       "places, so they are garbled; write it again with tunestrip-bcfg"});
    usable = false;
  }
  return image;
}

}  // namespace

std::vector<Finding> check_skin(const fs::path& dir, const ConfigChoice& config, int screen_w,
                                int screen_h) {
  std::vector<Finding> out;
  bool usable = true;
  const bcfg::Image image = load_config(config, out, usable);
  if (usable) detail::check_config(image, screen_w, screen_h, out);
  detail::check_images(dir, image, out);
  return out;
}

std::string format_finding(const Finding& f) {
  return f.name + (f.severity == Severity::Error ? ": error: " : ": warning: ") + f.message;
}

std::string findings_json(const std::vector<Finding>& findings) {
  if (findings.empty()) return "[]\n";
  std::string out = "[\n";
  for (size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    out += "  {\"name\": " + tools::json_string(f.name) + ", \"severity\": " +
           tools::json_string(f.severity == Severity::Error ? "error" : "warning") +
           ", \"message\": " + tools::json_string(f.message) + "}";
    out += i + 1 < findings.size() ? ",\n" : "\n";
  }
  return out + "]\n";
}

bool has_errors(const std::vector<Finding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& f) { return f.severity == Severity::Error; });
}

}  // namespace skin
