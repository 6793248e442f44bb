// The job record a task's schedule becomes.

#include <gtest/gtest.h>

#include "schedule/schedulesdecl_u.h"

using namespace korvel;

namespace {

struct RecordCase {
    const char* name;
    int performTask;
    int hour, minute, second;
    std::vector<int> days; // week-day indices (Monday 0) or month-day indices (day 1 = 0)
    std::uint32_t jobTime, daysOfMonth;
    std::uint8_t daysOfWeek;
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, Builds) {
    const RecordCase& c = GetParam();
    TTask task;
    task.TaskId = 42;
    task.UseSchedule = true;
    task.PerformTask = c.performTask;
    task.StartTime = EncodeDateTime({2026, 3, 14, c.hour, c.minute, c.second, 750}) + 1e-10;
    for (int d : c.days) {
        if (c.performTask == 2)
            task.ScheduleWeekDays[static_cast<std::size_t>(d)] = true;
        else
            task.ScheduleMonthDays[static_cast<std::size_t>(d)] = true;
    }
    const TAtInfo info = BuildJobRecord(task, "/opt/my backups/korvel");
    EXPECT_EQ(info.JobTime, c.jobTime);
    EXPECT_EQ(info.DaysOfMonth, c.daysOfMonth);
    EXPECT_EQ(info.DaysOfWeek, c.daysOfWeek);
    EXPECT_EQ(info.Flags, JOB_RUN_PERIODICALLY);
#ifdef _WIN32
    EXPECT_EQ(info.Command, "\"/opt/my backups/korvel\" /t 42");
#else
    EXPECT_EQ(info.Command, "'/opt/my backups/korvel' /t 42");
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Schedules, RecordTest,
    ::testing::Values(RecordCase{"EveryDay", 1, 14, 30, 15, {2, 4}, 52'215'000, 0, 0x7F},
                      RecordCase{"MondayAndSunday", 2, 9, 0, 0, {0, 6}, 32'400'000, 0, 0x41},
                      RecordCase{"MonthDays1And11And21", 3, 0, 0, 0, {0, 10, 20}, 0, 1'049'601, 0},
                      RecordCase{"Day31", 3, 23, 59, 59, {30}, 86'399'000, 1'073'741'824, 0},
                      RecordCase{"WeeklyWithoutDays", 2, 8, 0, 0, {}, 28'800'000, 0, 0},
                      RecordCase{"UnknownKind", 4, 8, 0, 0, {1}, 28'800'000, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScheduleRecord, ParentSettingsGiveTheParentsDaysAndTimeButTheOwnId) {
    TTask parent, child;
    parent.PerformTask = 2;
    parent.ScheduleWeekDays[4] = true;
    parent.StartTime = EncodeDateTime({2026, 1, 1, 6, 45, 0, 0});
    parent.TaskId = 1;
    child.PerformTask = 1;
    child.StartTime = EncodeDateTime({2026, 1, 1, 22, 0, 0, 0});
    child.TaskId = 7;
    child.Parent = &parent;
    child.ScheduleParentSettings = true;
    const TAtInfo info = BuildJobRecord(child, "/k");
    EXPECT_EQ(info.JobTime, 24'300'000u);
    EXPECT_EQ(info.DaysOfWeek, 0x10);
#ifdef _WIN32
    EXPECT_EQ(info.Command, "/k /t 7");
#else
    EXPECT_EQ(info.Command, "'/k' /t 7");
#endif

    child.ScheduleParentSettings = false;
    EXPECT_EQ(BuildJobRecord(child, "/k").DaysOfWeek, 0x7F);
}

TEST(ScheduleRecord, CommandQuotesWhatTheShellAndCronWouldReadOtherwise) {
#ifdef _WIN32
    GTEST_SKIP() << "the quoting is cron's shell quoting; Windows quotes programs for the Task Scheduler "
                    "(task_scheduler_test)";
#else
    EXPECT_EQ(JobCommand("/home/o'neil/100% sure/korvel", 12), "'/home/o'\\''neil/100\\% sure/korvel' /t 12");
#endif
}

} // namespace
