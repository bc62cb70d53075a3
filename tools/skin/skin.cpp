#include "skin/skin.h"

#include <algorithm>

#include "core/wstr.h"

namespace fs = std::filesystem;

namespace skin {
namespace {

std::string lower(std::string_view s) { return host::ascii_lower(std::string(s)); }

// The entry of `dir` named `name` without regard to case (an exact match wins) that `keep` takes.
template <typename Keep>
std::optional<fs::path> match(const fs::path& dir, std::string_view name, Keep keep) {
  std::error_code ec;
  if (fs::directory_entry exact(dir / name, ec); !ec && keep(exact)) return dir / name;
  const std::string want = lower(name);
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (lower(e.path().filename().string()) == want && keep(e)) return e.path();
  return std::nullopt;
}

bool is_file(const fs::directory_entry& e) {
  std::error_code ec;
  return e.is_regular_file(ec);
}
bool exists(const fs::directory_entry& e) {
  std::error_code ec;
  return e.exists(ec) || e.is_symlink(ec);
}

// A name with its extension and a copy's mark taken off, in lower case: "Key1 (copy).png",
// "Key1 - Copy.png", "Key1 copy 2.png", "Key1 (2).png" and "Key1.jpg" all give "key1"; the
// number of "Key3_1.png" stays, as it is no copy's.
std::string core_name(std::string_view file) {
  std::string s = lower(file);
  if (size_t dot = s.rfind('.'); dot != std::string::npos && dot > 0) s.erase(dot);
  auto trim = [&] {
    while (!s.empty() && (s.back() == ' ' || s.back() == '-' || s.back() == '_')) s.pop_back();
  };
  for (bool more = true; more;) {
    more = false;
    const size_t open = s.rfind('(');
    if (s.ends_with(')') && open != std::string::npos && open > 0) {
      // "(copy)", "(another copy)", "(3rd copy)", "(2)".
      const std::string inner = s.substr(open + 1, s.size() - open - 2);
      if (inner.find("copy") != std::string::npos ||
          (!inner.empty() && inner.find_first_not_of("0123456789") == std::string::npos)) {
        s.erase(open);
        more = true;
      }
    } else if (size_t n = s.find_last_not_of("0123456789");
               n != std::string::npos && n + 1 < s.size() && s[n] == ' ') {
      s.erase(n);  // "copy 2"
      more = true;
    } else if (s.ends_with("copy") && s.size() > 4 &&
               (s[s.size() - 5] == ' ' || s[s.size() - 5] == '-' || s[s.size() - 5] == '_')) {
      s.erase(s.size() - 4);
      more = true;
    }
    trim();
  }
  return s;
}

// Whether the phone takes the file `e` in `dir` as one of its images or the configuration.
bool used(const fs::path& dir, const fs::directory_entry& e) {
  const std::string name = e.path().filename().string();
  auto taken = [&](std::string_view want) {
    if (lower(name) != lower(want)) return false;
    const std::optional<fs::path> found = find_entry(dir, want);
    return found && found->filename() == e.path().filename();
  };
  if (taken(kConfigName)) return true;
  return std::any_of(kPanelImages.begin(), kPanelImages.end(),
                     [&](const PanelImage& image) { return taken(image.file); });
}

}  // namespace

std::optional<fs::path> find_file(const fs::path& dir, std::string_view name) {
  return match(dir, name, is_file);
}

std::optional<fs::path> find_entry(const fs::path& dir, std::string_view name) {
  if (auto file = find_file(dir, name)) return file;
  return match(dir, name, exists);
}

std::optional<std::string> near_miss(const fs::path& dir, std::string_view name) {
  const std::string want = core_name(name);
  std::vector<std::string> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (is_file(e) && !used(dir, e) && core_name(e.path().filename().string()) == want)
      found.push_back(e.path().filename().string());
  if (found.empty()) return std::nullopt;
  std::sort(found.begin(), found.end());
  return found.front();
}

std::vector<std::string> ignored_files(const fs::path& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (!used(dir, e)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string ConfigChoice::describe() const {
  if (file.empty()) return "the built-in block";
  return file.string() + (from_option ? " (--config)" : " (the skin's)");
}

ConfigChoice choose_config(const fs::path& dir, const fs::path& config) {
  if (!config.empty()) return {config, true};
  if (auto own = find_entry(dir, kConfigName)) return {*own, false};
  return {};
}

}  // namespace skin
