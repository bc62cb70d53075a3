#include "skin/check.h"

#include <algorithm>
#include <span>

#include "cli/json.h"
#include "core/file_kind.h"
#include "skin/check_parts.h"

namespace fs = std::filesystem;

namespace skin {

namespace detail {

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
  if (const char* kind = host::special_file_kind(config.file)) {
    out.push_back({name, Severity::Error,
                   std::string("is ") + kind +
                       ", not a file, so no configuration is taken from it (the images are "
                       "checked against the built-in one); put a configuration file in its "
                       "place"});
    usable = false;
    return bcfg::default_image();
  }
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

// Where a finding goes in the list: the configuration file and the folder first (they decide
// what the rest is checked against), then the images in the order the phone loads them, then
// the configuration's items in block order.
size_t rank(const Finding& f) {
  for (size_t i = 0; i < kPanelImages.size(); ++i)
    if (f.name == kPanelImages[i].file) return 1 + i;
  const std::vector<bcfg::Value>& values = bcfg::values();
  for (size_t i = 0; i < values.size(); ++i)
    if (f.name == values[i].name) return 1 + kPanelImages.size() + i;
  return 0;
}

}  // namespace

std::vector<Finding> check_skin(const fs::path& dir, const ConfigChoice& config, int screen_w,
                                int screen_h) {
  std::vector<Finding> out;
  bool usable = true;
  const bcfg::Image image = load_config(config, out, usable);
  if (usable) detail::check_config(image, screen_w, screen_h, out);
  std::error_code ec;
  fs::directory_iterator listing(dir, ec);
  if (ec)
    out.push_back({dir.string(), Severity::Error,
                   "cannot read the folder: " + ec.message() +
                       "; the phone takes the panel's 14 images from it"});
  else
    detail::check_images(dir, image, out);
  std::stable_sort(out.begin(), out.end(),
                   [](const Finding& a, const Finding& b) { return rank(a) < rank(b); });
  return out;
}

std::string count_text(const std::vector<Finding>& findings) {
  if (findings.empty()) return "no findings";
  const size_t errors = size_t(std::count_if(
      findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; }));
  const size_t warnings = findings.size() - errors;
  auto count = [](size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  if (errors && warnings) return count(errors, "error") + ", " + count(warnings, "warning");
  return errors ? count(errors, "error") : count(warnings, "warning");
}

std::string report(const std::string& skin, const ConfigChoice& config, int screen_w,
                   int screen_h, const std::vector<Finding>& findings,
                   const std::vector<std::string>& ignored) {
  std::string out = skin + ": checked with " + config.describe() + " for a " +
                    detail::size_text(screen_w, screen_h) + " screen\n";
  for (const Finding& f : findings) out += format_finding(f) + "\n";
  if (!ignored.empty()) {
    out += skin + ": the phone ignores ";
    for (size_t i = 0; i < ignored.size(); ++i) out += (i ? ", " : "") + ignored[i];
    out += "\n";
  }
  return out + skin + ": " + count_text(findings) + "\n";
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
