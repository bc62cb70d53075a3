#include "cli/suggest.h"

#include <algorithm>
#include <vector>

#include "core/wstr.h"

namespace tools {

size_t edit_distance(std::string_view a_in, std::string_view b_in) {
  const std::string a = host::ascii_lower(std::string(a_in));
  const std::string b = host::ascii_lower(std::string(b_in));
  // Three rows of the table, d[i][j] being the distance between the first i letters of a and
  // the first j of b: the row before the last (for swaps), the last and the one being made.
  const size_t w = b.size() + 1;
  std::vector<size_t> before(w), last(w), row(w);
  for (size_t j = 0; j < w; ++j) last[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j < w; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      size_t best = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        best = std::min(best, before[j - 2] + 1);
      row[j] = best;
    }
    std::swap(before, last);
    std::swap(last, row);
  }
  return last[b.size()];
}

std::string shortened(std::string_view word, size_t most) {
  if (word.size() <= most) return std::string(word);
  return std::string(word.substr(0, most)) + "… (" + std::to_string(word.size()) + " bytes)";
}

std::optional<std::string> closest(std::string_view word,
                                   std::span<const std::string_view> candidates) {
  if (word.size() < 3) return std::nullopt;  // too short to tell a slip from another word
  const size_t limit = std::clamp<size_t>(word.size() / 3, 1, 3);
  std::optional<std::string> best;
  size_t best_distance = limit + 1;
  for (std::string_view c : candidates) {
    if (c == word) return std::nullopt;
    // The distance is at least the difference in length: a far longer word is no slip.
    if (std::max(c.size(), word.size()) - std::min(c.size(), word.size()) > limit) continue;
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
