// "Did you mean ...?": the known word nearest to a misspelt one (an item name, an option, a
// script command), for the tools' error messages.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tools {

// The edit distance between two words without regard to ASCII case: insertions, deletions,
// substitutions and swaps of neighbouring letters count one each.
size_t edit_distance(std::string_view a, std::string_view b);

// The candidate nearest to `word`, when it is near enough to be a slip of the keyboard (about one
// edit in three letters, at most three); the first of equally near ones. Nothing for a word that
// is itself a candidate or is shorter than three letters.
std::optional<std::string> closest(std::string_view word,
                                   std::span<const std::string_view> candidates);

// A word as an error message shows it: cut after `most` bytes, with its length, when longer.
std::string shortened(std::string_view word, size_t most = 60);

// "; did you mean NAME?" for the nearest candidate, else "".
std::string did_you_mean(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace tools
