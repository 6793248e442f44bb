#pragma once
// MS-DOS date and time of an entry as a moment of the local time zone.

#include <cstdint>
#include <ctime>

namespace korvel::sfx {

struct TDosFields {
    int year, month, day, hour, minute, second;
};

// Unpacks time (low word) and date (high word), clamping impossible values
// (hour 24, month 0, day 0 ...) to the nearest valid one.
TDosFields UnpackDosDateTime(std::uint32_t dosDateTime);

// The moment those fields name in the local time zone.
std::time_t DosDateTimeToTime(std::uint32_t dosDateTime);

} // namespace korvel::sfx
