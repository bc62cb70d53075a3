#include "cli/cli.h"

#include <charconv>
#include <cstdio>

#include "cli/suggest.h"

namespace tools {

std::string exit_status_help(std::string_view failed, std::string_view misuse) {
  std::string out = "Exit status:\n  0   done\n  1   ";
  out += failed;
  out += "\n  2   ";
  out += misuse;
  out += "\n";
  return out;
}

int run_guarded(std::string_view tool, const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%.*s: %s\n", int(tool.size()), tool.data(), e.what());
    return kExitFailed;
  }
}

std::string version_text(std::string_view tool) {
  std::string out(tool);
  out += " (TuneStrip) " TS_VERSION "\n";
  return out;
}

std::optional<int> standard_options(std::string_view tool, const std::vector<std::string>& args,
                                    std::string_view usage) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      std::fwrite(usage.data(), 1, usage.size(), stdout);
      return kExitDone;
    }
    if (a == "--version") {
      std::fputs(version_text(tool).c_str(), stdout);
      return kExitDone;
    }
  }
  return std::nullopt;
}

std::vector<std::string> options_in(std::string_view usage) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < usage.size()) {
    size_t end = usage.find('\n', at);
    if (end == std::string_view::npos) end = usage.size();
    std::string_view line = usage.substr(at, end - at);
    at = end + 1;
    // An option starts a line indented a little; a deeper line goes on with its text.
    const size_t first = line.find_first_not_of(' ');
    if (first == 0 || first > 4 || first == std::string_view::npos || line[first] != '-') continue;
    line.remove_prefix(first);
    // "-h, --help  text" or "--music PATH  text": each option up to its value or the text.
    for (;;) {
      const size_t stop = line.find_first_of(" ,=");
      out.emplace_back(line.substr(0, stop));
      if (stop == std::string_view::npos || line.substr(stop, 3) != ", -") break;
      line.remove_prefix(stop + 2);
    }
  }
  return out;
}

std::string unknown_option(std::string_view option, std::string_view usage) {
  const std::vector<std::string> known = options_in(usage);
  const std::vector<std::string_view> views(known.begin(), known.end());
  std::string out = "unknown option '";
  out += shortened(option);
  out += "'";
  return out + did_you_mean(option, views);
}

std::optional<ScreenSize> parse_screen(std::string_view text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  auto side = [](std::string_view s, int& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size() && out >= 16 &&
           out <= 2048;
  };
  ScreenSize size;
  if (!side(text.substr(0, x), size.w) || !side(text.substr(x + 1), size.h)) return std::nullopt;
  return size;
}

std::string bad_screen(std::string_view text) {
  return "--screen: \"" + shortened(text) +
         "\" is not a size WIDTHxHEIGHT (such as 240x320), 16 to 2048 pixels a side";
}

int usage_error(std::string_view tool, std::string_view message) {
  std::fprintf(stderr, "%.*s: %.*s (try --help)\n", int(tool.size()), tool.data(),
               int(message.size()), message.data());
  return kExitUsage;
}

}  // namespace tools
