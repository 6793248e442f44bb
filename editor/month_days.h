#pragma once
// The days of the month of a schedule as the text the user reads and types: "1, 11, 21".

#include <array>
#include <string>
#include <string_view>

namespace korvel {

using TMonthDays = std::array<bool, 31>; // day 1 first

// The set days in ascending order joined by ", "; empty when none is set.
std::string FormatMonthDays(const TMonthDays& days);

struct TMonthDaysParse {
    enum class Error { None, NotInteger, OutOfRange };
    Error error = Error::None;
    std::string badWord; // the word that is not a day
    TMonthDays days{};
};

// Day numbers 1 to 31 separated by blanks, commas or semicolons in any mix; repeats
// are harmless and an empty text sets no day.
TMonthDaysParse ParseMonthDays(std::string_view text);

} // namespace korvel
