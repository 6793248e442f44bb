#include "platform/date_time.h"

#include <cmath>
#include <thread>

namespace korvel {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30); // day 0 of TDateTime, counted from 1970


TDateParts FromTm(const std::tm& tm, int ms) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms};
}

TDateTime FromUnixLocal(std::time_t seconds, int ms) {
    return EncodeDateTime(FromTm(LocalTm(seconds), ms));
}

} // namespace

TDateTime EncodeDateTime(const TDateParts& p) {
    const long long days =
        DaysFromCivil(p.Year, static_cast<unsigned>(p.Month), static_cast<unsigned>(p.Day)) - kEpochOffset;
    const double fraction =
        (p.Hour * 3600000.0 + p.Minute * 60000.0 + p.Second * 1000.0 + p.Millisecond) / 86400000.0;
    return static_cast<double>(days) + fraction;
}

TDateParts DecodeDateTime(TDateTime value) {
    // Round to whole milliseconds first so that 12:00:00 does not come back as 11:59:59.999.
    const double totalMs = std::floor(value * 86400000.0 + 0.5);
    long long days = static_cast<long long>(std::floor(totalMs / 86400000.0));
    long long msOfDay = static_cast<long long>(totalMs) - days * 86400000LL;
    TDateParts p;
    CivilFromDays(days + kEpochOffset, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(msOfDay / 3600000);
    p.Minute = static_cast<int>(msOfDay / 60000 % 60);
    p.Second = static_cast<int>(msOfDay / 1000 % 60);
    p.Millisecond = static_cast<int>(msOfDay % 1000);
    return p;
}

TDateTime FromSystemClock(std::chrono::system_clock::time_point tp) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(tp.time_since_epoch()).count();
    const long long sec = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return FromUnixLocal(static_cast<std::time_t>(sec), static_cast<int>(ms - sec * 1000));
}

std::chrono::system_clock::time_point ToSystemClock(TDateTime value) {
    const TDateParts p = DecodeDateTime(value);
    std::tm tm{};
    tm.tm_year = p.Year - 1900;
    tm.tm_mon = p.Month - 1;
    tm.tm_mday = p.Day;
    tm.tm_hour = p.Hour;
    tm.tm_min = p.Minute;
    tm.tm_sec = p.Second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    return std::chrono::system_clock::from_time_t(t) + std::chrono::milliseconds(p.Millisecond);
}

TDateTime Now() {
    return FromSystemClock(std::chrono::system_clock::now());
}

TDateTime FromFileTime(const timespec& ts) {
    return FromUnixLocal(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000));
}

std::uint32_t DateTimeToDos(TDateTime value) {
    TDateParts p = DecodeDateTime(value);
    if (p.Year < 1980)
        p = {1980, 1, 1, 0, 0, 0, 0};
    if (p.Year > 2107)
        p = {2107, 12, 31, 23, 59, 58, 0};
    const std::uint32_t date = static_cast<std::uint32_t>(((p.Year - 1980) << 9) | (p.Month << 5) | p.Day);
    const std::uint32_t time = static_cast<std::uint32_t>((p.Hour << 11) | (p.Minute << 5) | (p.Second / 2));
    return (date << 16) | time;
}

TDateTime DosToDateTime(std::uint32_t dos) {
    const std::uint32_t time = dos & 0xFFFF;
    const std::uint32_t date = dos >> 16;
    TDateParts p;
    p.Year = static_cast<int>((date >> 9) + 1980);
    p.Month = static_cast<int>((date >> 5) & 0x0F);
    p.Day = static_cast<int>(date & 0x1F);
    p.Hour = static_cast<int>(time >> 11);
    p.Minute = static_cast<int>((time >> 5) & 0x3F);
    p.Second = static_cast<int>((time & 0x1F) * 2);
    // Damaged fields must not produce a date from another century.
    p.Month = p.Month < 1 ? 1 : (p.Month > 12 ? 12 : p.Month);
    p.Day = p.Day < 1 ? 1 : p.Day;
    return EncodeDateTime(p);
}

std::uint32_t FileTimeToDos(const timespec& ts) {
    return DateTimeToDos(EncodeDateTime(FromTm(LocalTm(ts.tv_sec), 0)));
}

std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::tm LocalTm(std::time_t seconds) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &seconds);
#else
    localtime_r(&seconds, &tm);
#endif
    return tm;
}

} // namespace korvel
