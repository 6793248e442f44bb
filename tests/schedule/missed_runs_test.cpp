// Which scheduled time was missed, in Berlin's local time (with its clock changes).

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>

#include "schedule/missed_runs.h"

using namespace korvel;

namespace {

// Wall-clock times are written as "yyyymmddhhmm" for readability; 0 means none.
struct Wall {
    long long v = 0;
};

// The broken-down time of a YYYYMMDDhhmm number.
std::tm Fields(long long v) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(v / 100000000) - 1900;
    tm.tm_mon = static_cast<int>(v / 1000000 % 100) - 1;
    tm.tm_mday = static_cast<int>(v / 10000 % 100);
    tm.tm_hour = static_cast<int>(v / 100 % 100);
    tm.tm_min = static_cast<int>(v % 100);
    return tm;
}

// A local wall-clock time that is neither skipped nor repeated.
std::time_t Local(long long v) {
    std::tm tm = Fields(v);
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::time_t Utc(long long v) {
    std::tm tm = Fields(v);
    return timegm(&tm);
}

TAtInfo Job(int hour, int minute, std::uint8_t weekDays, std::uint32_t monthDays = 0) {
    TAtInfo job;
    job.JobTime = static_cast<std::uint32_t>((hour * 60 + minute) * 60000);
    job.DaysOfWeek = weekDays;
    job.DaysOfMonth = monthDays;
    job.Flags = JOB_RUN_PERIODICALLY;
    return job;
}

struct MissedCase {
    const char* name;
    TAtInfo job;
    long long activated, lastRun, now; // local wall clock; 0 = not known
    long long expectedUtc;             // 0 = nothing missed; UTC where the clock changes
    long long expectedLocal;
};

void PrintTo(const MissedCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr std::uint8_t kDaily = 0x7F, kMonFri = 0x11;
constexpr std::uint32_t kDay31 = 1u << 30;

class MissedTimeTest : public ::testing::TestWithParam<MissedCase> {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    static void TearDownTestSuite() {
        unsetenv("TZ");
        tzset();
    }
};

TEST_P(MissedTimeTest, Computes) {
    const MissedCase& c = GetParam();
    const auto opt = [](long long v) { return v ? std::optional<std::time_t>(Local(v)) : std::nullopt; };
    const auto got = LastMissedTime(c.job, opt(c.activated), opt(c.lastRun), Local(c.now));
    const std::optional<std::time_t> want = c.expectedUtc     ? std::optional(Utc(c.expectedUtc))
                                            : c.expectedLocal ? std::optional(Local(c.expectedLocal))
                                                              : std::nullopt;
    EXPECT_EQ(got, want);
}

// 2026-03-05 is a Thursday; Berlin skips 02:00-03:00 on 2026-03-29 and repeats
// 02:00-03:00 on 2026-10-25.
INSTANTIATE_TEST_SUITE_P(
    Cases, MissedTimeTest,
    ::testing::Values(
        MissedCase{"several_missed_days_give_the_newest", Job(2, 0, kDaily), 202603011000, 0, 202603050900, 0,
                   202603050200},
        MissedCase{"run_recorded_after_it", Job(2, 0, kDaily), 202603011000, 202603050201, 202603050900, 0,
                   0},
        MissedCase{"run_recorded_at_it", Job(2, 0, kDaily), 202603011000, 202603050200, 202603050900, 0, 0},
        MissedCase{"older_run_does_not_count", Job(2, 0, kDaily), 202603011000, 202603040201, 202603050900, 0,
                   202603050200},
        MissedCase{"activated_after_the_time", Job(2, 0, kDaily), 202603050300, 0, 202603050900, 0, 0},
        MissedCase{"today_not_yet_due", Job(2, 0, kDaily), 202603040300, 0, 202603050100, 0, 0},
        MissedCase{"weekly_ran_on_monday", Job(20, 0, kMonFri), 202602201200, 202603022005, 202603051200, 0,
                   0},
        MissedCase{"weekly_missed_friday", Job(20, 0, kMonFri), 202602201200, 202603022005, 202603071200, 0,
                   202603062000},
        MissedCase{"day_31_in_a_30_day_month", Job(8, 0, 0, kDay31), 202603011000, 0, 202604301200, 0,
                   202603310800},
        MissedCase{"day_31_ran_and_april_has_none", Job(8, 0, 0, kDay31), 202603011000, 202603310801,
                   202604301200, 0, 0},
        MissedCase{"february_has_no_day_31", Job(8, 0, 0, kDay31), 202602010000, 0, 202602281200, 0, 0},
        MissedCase{"time_skipped_by_summer_time_is_due_at_the_change", Job(2, 30, kDaily), 202603281200, 0,
                   202603291000, 202603290100, 0},
        MissedCase{"time_repeated_by_winter_time_is_due_at_its_first", Job(2, 30, kDaily), 202610241200, 0,
                   202610251000, 202610250030, 0},
        MissedCase{"no_activation_known_and_never_ran", Job(2, 0, kDaily), 0, 0, 202603050900, 0, 0},
        MissedCase{"no_activation_known_after_the_last_run", Job(2, 0, kDaily), 0, 202603030205, 202603050900,
                   0, 202603050200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MissedTimeDst, RepeatedTimeIsDueOnlyOnce) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    // Ran at the first 02:30; at the second 02:45 (CET) nothing is due again.
    const auto got =
        LastMissedTime(Job(2, 30, kDaily), Utc(202610241000), Utc(202610250031), Utc(202610250145));
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(got, std::nullopt);
}

} // namespace
