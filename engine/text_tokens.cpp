#include "engine/text_tokens.h"

namespace korvel {

std::string ReplaceChar(std::string_view text, char from, char to) {
    std::string result(text);
    for (char& c : result)
        if (c == from)
            c = to;
    return result;
}

std::vector<std::string> SplitTokens(std::string_view text, char separator) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    auto isBreak = [separator](char c) { return c == separator || static_cast<unsigned char>(c) <= 32; };
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isBreak(text[i])) {
            if (i > start)
                tokens.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return tokens;
}

} // namespace korvel
