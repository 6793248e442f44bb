#include "sfx/dos_time.h"

#include <algorithm>

namespace korvel::sfx {

TDosFields UnpackDosDateTime(std::uint32_t dosDateTime) {
    const std::uint32_t time = dosDateTime & 0xFFFF;
    const std::uint32_t date = dosDateTime >> 16;
    TDosFields f{};
    f.year = 1980 + static_cast<int>(std::min<std::uint32_t>(date >> 9, 119));
    f.month = std::clamp(static_cast<int>((date >> 5) & 0x0F), 1, 12);
    f.day = std::max(static_cast<int>(date & 0x1F), 1);
    f.hour = std::min(static_cast<int>(time >> 11), 23);
    f.minute = std::min(static_cast<int>((time >> 5) & 0x3F), 59);
    f.second = std::min(static_cast<int>(time & 0x1F) * 2, 59);
    return f;
}

std::time_t DosDateTimeToTime(std::uint32_t dosDateTime) {
    const TDosFields f = UnpackDosDateTime(dosDateTime);
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    tm.tm_isdst = -1; // let the zone rules say whether summer time applied then
    return std::mktime(&tm);
}

} // namespace korvel::sfx
