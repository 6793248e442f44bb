#pragma once
// Local date-time as a day count: whole days since 30 December 1899 plus the
// fraction of the day, in local time. The stores hold this value as a double.

#include <chrono>
#include <cstdint>
#include <ctime>

namespace korvel {

using TDateTime = double;

struct TDateParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

TDateTime EncodeDateTime(const TDateParts& parts);
TDateParts DecodeDateTime(TDateTime value);

// The broken-down local time of a Unix time (thread-safe).
std::tm LocalTm(std::time_t seconds);

// The current local date and time.
TDateTime Now();

TDateTime FromSystemClock(std::chrono::system_clock::time_point tp);
std::chrono::system_clock::time_point ToSystemClock(TDateTime value);

// A file time (seconds and nanoseconds since the Unix epoch) as local date-time.
TDateTime FromFileTime(const timespec& ts);

// MS-DOS date and time: time in the low 16 bits, date in the high 16 bits,
// seconds at two-second resolution. Years outside 1980..2107 are clamped.
std::uint32_t DateTimeToDos(TDateTime value);
TDateTime DosToDateTime(std::uint32_t dos);
std::uint32_t FileTimeToDos(const timespec& ts);

// Milliseconds from a monotonic clock, wrapping like a 32-bit tick counter.
std::uint32_t TickCount();

// Blocks the calling thread.
void SleepMs(unsigned milliseconds);

} // namespace korvel
