// Names close to a misspelt one, for messages that say what was probably
// meant: "name 'prnt' is not defined; did you mean 'print'?".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// The candidate closest to `name` when it is close enough to be the one
// meant: the same letters in another case, or a few edits away (a letter
// left out, added or changed, or two neighbours swapped: one edit for names
// of 3 to 5 letters, two up to 9, three beyond). Names of one or two
// letters only match in another case. "" when none is close.
std::string Closest(std::string_view name, const std::vector<std::string_view>& candidates);

// "; did you mean 'X'?" for the closest candidate, or "".
std::string DidYouMean(std::string_view name, const std::vector<std::string_view>& candidates);

}  // namespace vesk
