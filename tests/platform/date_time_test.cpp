#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/date_time.h"

using namespace korvel;

TEST(DateTimeTest, DayNumbersFollowTheDayZeroOf1899) {
    struct Case {
        TDateParts parts;
        double value;
    };
    const Case cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},    {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
        {{1980, 1, 1, 0, 0, 0, 0}, 29221.0},  {{2024, 3, 5, 12, 0, 0, 0}, 45356.5},
        {{2024, 3, 5, 6, 0, 0, 0}, 45356.25},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.parts), c.value);
        const TDateParts back = DecodeDateTime(c.value);
        EXPECT_EQ(back.Year, c.parts.Year);
        EXPECT_EQ(back.Month, c.parts.Month);
        EXPECT_EQ(back.Day, c.parts.Day);
        EXPECT_EQ(back.Hour, c.parts.Hour);
    }
}

// Moscow time: three hours ahead of UTC all year. Windows' C runtime reads TZ only in
// its own "name, offset west of UTC" form.
void SetMoscowZone(bool on) {
#ifdef _WIN32
    _putenv_s("TZ", on ? "MSK-3" : "");
    _tzset();
#else
    if (on)
        setenv("TZ", "Europe/Moscow", 1);
    else
        unsetenv("TZ");
    tzset();
#endif
}

TEST(DateTimeTest, SystemClockRoundTripInLocalTime) {
    SetMoscowZone(true);
    const auto now = std::chrono::system_clock::now();
    const TDateTime local = FromSystemClock(now);
    const auto back = ToSystemClock(local);
    EXPECT_LE(std::abs(std::chrono::duration_cast<std::chrono::milliseconds>(back - now).count()), 1);

    // 1 January 2024 00:00 UTC is 03:00 in Moscow.
    const timespec ts{1704067200, 0};
    const TDateParts p = DecodeDateTime(FromFileTime(ts));
    EXPECT_EQ(p.Hour, 3);
    SetMoscowZone(false);
}

TEST(DateTimeTest, DosDateTimeHasTwoSecondResolution) {
    const TDateTime t = EncodeDateTime({2024, 3, 5, 13, 45, 31, 0});
    const std::uint32_t dos = DateTimeToDos(t);
    EXPECT_EQ(dos >> 16, static_cast<std::uint32_t>(((2024 - 1980) << 9) | (3 << 5) | 5));
    EXPECT_EQ(dos & 0xFFFF, static_cast<std::uint32_t>((13 << 11) | (45 << 5) | 15));
    const TDateParts back = DecodeDateTime(DosToDateTime(dos));
    EXPECT_EQ(back.Second, 30);
    EXPECT_EQ(DateTimeToDos(EncodeDateTime({1970, 1, 1, 0, 0, 0, 0})), (1u << 21 | 1u << 16));
    // A zero DOS value is 1 January 1980.
    const TDateParts zero = DecodeDateTime(DosToDateTime(0));
    EXPECT_EQ(zero.Year, 1980);
    EXPECT_EQ(zero.Month, 1);
    EXPECT_EQ(zero.Day, 1);
}
