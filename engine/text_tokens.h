#pragma once
// Text helpers of the filter lists.

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// The text with every `from` replaced by `to`.
std::string ReplaceChar(std::string_view text, char from, char to);

// The maximal runs of characters that are neither `separator` nor a character of
// code 32 or less, in order; empty pieces never appear.
std::vector<std::string> SplitTokens(std::string_view text, char separator);

} // namespace korvel
