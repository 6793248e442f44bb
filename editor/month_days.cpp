#include "editor/month_days.h"

#include "editor/integer_text.h"

namespace korvel {

std::string FormatMonthDays(const TMonthDays& days) {
    std::string text;
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (!days[i])
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(i + 1);
    }
    return text;
}

TMonthDaysParse ParseMonthDays(std::string_view text) {
    TMonthDaysParse result;
    std::size_t pos = 0;
    const auto isSeparator = [](char c) {
        return static_cast<unsigned char>(c) < 33 || c == ',' || c == ';';
    };
    while (pos < text.size()) {
        while (pos < text.size() && isSeparator(text[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        if (end == pos)
            break;
        const std::string_view word = text.substr(pos, end - pos);
        pos = end;
        const auto day = ParseDecimalInt(word);
        if (!day || *day < 1 || *day > 31) {
            result.error = day ? TMonthDaysParse::Error::OutOfRange : TMonthDaysParse::Error::NotInteger;
            result.badWord = std::string(word);
            return result;
        }
        result.days[static_cast<std::size_t>(*day - 1)] = true;
    }
    return result;
}

} // namespace korvel
