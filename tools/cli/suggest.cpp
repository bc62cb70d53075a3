#include "cli/suggest.h"

#include <algorithm>
#include <vector>

#include "core/wstr.h"

namespace tools {

size_t edit_distance(std::string_view a_in, std::string_view b_in) {
  const std::string a = host::ascii_lower(std::string(a_in));
  const std::string b = host::ascii_lower(std::string(b_in));
  // d[i][j]: the distance between the first i letters of a and the first j of b.
  const size_t w = b.size() + 1;
  std::vector<size_t> d((a.size() + 1) * w);
  for (size_t i = 0; i <= a.size(); ++i) d[i * w] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      size_t best = std::min({d[(i - 1) * w + j] + 1, d[i * w + j - 1] + 1,
                              d[(i - 1) * w + j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        best = std::min(best, d[(i - 2) * w + j - 2] + 1);
      d[i * w + j] = best;
    }
  }
  return d[a.size() * w + b.size()];
}

std::optional<std::string> closest(std::string_view word,
                                   std::span<const std::string_view> candidates) {
  if (word.size() < 3) return std::nullopt;  // too short to tell a slip from another word
  const size_t limit = std::clamp<size_t>(word.size() / 3, 1, 3);
  std::optional<std::string> best;
  size_t best_distance = limit + 1;
  for (std::string_view c : candidates) {
    if (c == word) return std::nullopt;
    const size_t d = edit_distance(word, c);
    if (d < best_distance) {
      best_distance = d;
      best = std::string(c);
    }
  }
  return best;
}

std::string did_you_mean(std::string_view word, std::span<const std::string_view> candidates) {
  const std::optional<std::string> c = closest(word, candidates);
  return c ? "; did you mean " + *c + "?" : std::string();
}

}  // namespace tools
