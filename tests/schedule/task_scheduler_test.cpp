// Scheduler jobs on Windows' Task Scheduler: what is added reads back the same, and
// deleted jobs are gone.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/scheduler_jobs.h"

namespace korvel {
namespace {

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

struct TJobCase {
    const char* label;
    TAtInfo info;
};

class TaskSchedulerJobs : public ::testing::TestWithParam<TJobCase> {};

TEST_P(TaskSchedulerJobs, AddedJobReadsBackAndDeletes) {
    const TAtInfo& info = GetParam().info;
    std::uint32_t id = 0;
    const TJobStatus added = ScheduleJobAdd(info, id);
    if (added == TJobStatus::NoScheduler)
        GTEST_SKIP() << "no Task Scheduler service to connect to";
    ASSERT_EQ(added, TJobStatus::Ok);
    TAtInfo back;
    const TJobStatus read = ScheduleJobGetInfo(id, back);
    EXPECT_EQ(ScheduleJobDel(id, id), TJobStatus::Ok);
    if (read == TJobStatus::Unreadable && RunningUnderWine())
        GTEST_SKIP() << "Wine's Task Scheduler registers the task but keeps neither its calendar trigger nor "
                        "its program (it writes back <Triggers/> and <Exec/>)";
    ASSERT_EQ(read, TJobStatus::Ok);
    EXPECT_EQ(back, info);
    EXPECT_EQ(ScheduleJobGetInfo(id, back), TJobStatus::NoSuchJob);
}

INSTANTIATE_TEST_SUITE_P(Records, TaskSchedulerJobs,
                         ::testing::Values(TJobCase{"Weekdays",
                                                    {(9 * 3600 + 30 * 60) * 1000, 0, 0x1F,
                                                     JOB_RUN_PERIODICALLY,
                                                     "\"C:\\Program Files\\Korvel\\korvel.exe\" /t 3"}},
                                           TJobCase{"Sunday",
                                                    {(23 * 3600 + 59 * 60 + 58) * 1000, 0, 0x40,
                                                     JOB_RUN_PERIODICALLY, "C:\\Korvel\\korvel.exe /t 12"}},
                                           TJobCase{"MonthDays",
                                                    {0, (1u << 0) | (1u << 14) | (1u << 30), 0,
                                                     JOB_RUN_PERIODICALLY, "C:\\Korvel\\korvel.exe /t 5"}}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TaskSchedulerRecords, WithoutDaysOrWithBothAreRefused) {
    std::uint32_t id = 0;
    EXPECT_EQ(ScheduleJobAdd({0, 0, 0, JOB_RUN_PERIODICALLY, "x.exe"}, id), TJobStatus::Refused);
    EXPECT_EQ(ScheduleJobAdd({0, 1, 1, JOB_RUN_PERIODICALLY, "x.exe"}, id), TJobStatus::Refused);
}

TEST(TaskSchedulerRecords, ProgramsWithBlanksAreQuoted) {
    EXPECT_EQ(QuoteJobArgument("C:\\Korvel\\korvel.exe"), "C:\\Korvel\\korvel.exe");
    EXPECT_EQ(QuoteJobArgument("C:\\Program Files\\korvel.exe"), "\"C:\\Program Files\\korvel.exe\"");
}

} // namespace
} // namespace korvel
