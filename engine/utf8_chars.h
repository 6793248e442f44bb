#pragma once
// Reading UTF-8 text one character at a time, for the mask matcher.

#include <cstddef>
#include <string_view>

namespace korvel {

// Decodes the character at text[pos]; stores its byte length in `length`. A byte
// that starts no valid sequence decodes to U+DC00 + byte (so it equals only itself)
// with length 1.
char32_t DecodeChar(std::string_view text, std::size_t pos, std::size_t& length);

// Folds ASCII "a" to "z" to upper case and leaves every other character alone.
inline char32_t FoldAscii(char32_t c) {
    return (c >= U'a' && c <= U'z') ? c - 32 : c;
}

} // namespace korvel
