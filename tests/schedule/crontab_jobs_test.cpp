// Jobs in the user's crontab, judged by the real crontab command.

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

#include "crontab_fixture.h"
#include "schedule/schedulesdecl_u.h"

using namespace korvel;
using korvel_test::CrontabTest;

namespace {

// Lines a user might have: comments, variables, a "%" that cron turns into input,
// blanks at the end of a line, an empty line.
const std::string kForeign = "# my own jobs\n"
                             "MAILTO=me@example.org\n"
                             "\n"
                             "*/10 * * * * /usr/bin/true  \n"
                             "0 3 * * 1 date +\\%F >>/tmp/never-run # not ours\n";

TAtInfo Daily(std::uint32_t jobTime, const std::string& command = "'/opt/korvel' /t 1") {
    TAtInfo info;
    info.JobTime = jobTime;
    info.DaysOfWeek = 0x7F;
    info.Flags = JOB_RUN_PERIODICALLY;
    info.Command = command;
    return info;
}

TEST_F(CrontabTest, AddReadBackAndDeleteKeepEveryOtherLine) {
    SetCrontab(kForeign);
    TAtInfo weekly = Daily(14 * 3600000 + 30 * 60000 + 15000);
    weekly.DaysOfWeek = 0x11; // Monday and Friday
    TAtInfo monthly = Daily(9 * 3600000 + 5 * 60000);
    monthly.DaysOfWeek = 0;
    monthly.DaysOfMonth = 1'049'601;

    std::uint32_t a = 0, b = 0;
    ASSERT_EQ(ScheduleJobAdd(weekly, a), TJobStatus::Ok);
    ASSERT_EQ(ScheduleJobAdd(monthly, b), TJobStatus::Ok);
    EXPECT_NE(a, b);
    const std::string tab = Crontab();
    EXPECT_EQ(tab.substr(0, kForeign.size()), kForeign);
    EXPECT_NE(tab.find("30 14 * * 1,5 "), std::string::npos) << tab;
    EXPECT_NE(tab.find("5 9 1,11,21 * * "), std::string::npos) << tab;
    EXPECT_NE(tab.find("# korvel job " + std::to_string(a) + "\n"), std::string::npos) << tab;

    TAtInfo got;
    ASSERT_EQ(ScheduleJobGetInfo(a, got), TJobStatus::Ok);
    EXPECT_EQ(got.JobTime, 14u * 3600000 + 30 * 60000) << "cron has whole minutes";
    EXPECT_EQ(got.DaysOfWeek, 0x11);
    EXPECT_EQ(got.DaysOfMonth, 0u);
    EXPECT_EQ(got.Flags, JOB_RUN_PERIODICALLY);
    EXPECT_TRUE(got.Command.ends_with(weekly.Command)) << got.Command;
    ASSERT_EQ(ScheduleJobGetInfo(b, got), TJobStatus::Ok);
    EXPECT_EQ(got.DaysOfMonth, 1'049'601u);
    EXPECT_EQ(got.DaysOfWeek, 0);

    EXPECT_EQ(ScheduleJobDel(a, a), TJobStatus::Ok);
    EXPECT_EQ(ScheduleJobGetInfo(a, got), TJobStatus::NoSuchJob);
    EXPECT_EQ(ScheduleJobGetInfo(b, got), TJobStatus::Ok);
    std::uint32_t c = 0;
    ASSERT_EQ(ScheduleJobAdd(Daily(0), c), TJobStatus::Ok);
    EXPECT_NE(c, b) << "a number in use is never handed out again";
    EXPECT_EQ(ScheduleJobDel(b, c), TJobStatus::Ok);
    EXPECT_EQ(Crontab(), kForeign);
    EXPECT_EQ(ScheduleJobDel(b, b), TJobStatus::NoSuchJob);
}

TEST_F(CrontabTest, AUserWithoutCrontabIsLeftWithoutOne) {
    SetCrontab("");
    ASSERT_FALSE(HasCrontab());
    TAtInfo got;
    EXPECT_EQ(ScheduleJobGetInfo(1, got), TJobStatus::NoSuchJob);
    std::uint32_t id = 0;
    ASSERT_EQ(ScheduleJobAdd(Daily(0), id), TJobStatus::Ok);
    EXPECT_EQ(id, 1u);
    EXPECT_TRUE(HasCrontab());
    EXPECT_EQ(ScheduleJobDel(id, id), TJobStatus::Ok);
    EXPECT_FALSE(HasCrontab());
}

TEST_F(CrontabTest, TheEntryCarriesTheSessionsDisplayLanguageAndStores) {
    SetCrontab("");
    setenv("DISPLAY", ":7", 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    setenv("XAUTHORITY", "/home/o'neil/.Xauthority", 1);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> oldConfig = config ? std::optional<std::string>(config) : std::nullopt;
    setenv("XDG_CONFIG_HOME", "/home/o'neil/settings", 1);
    std::uint32_t id = 0;
    const TJobStatus added = ScheduleJobAdd(Daily(60000, JobCommand("/opt/100% sure/korvel", 3)), id);
    oldConfig ? setenv("XDG_CONFIG_HOME", oldConfig->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(added, TJobStatus::Ok);
    const std::string tab = Crontab();
    EXPECT_NE(tab.find("DISPLAY=':7'"), std::string::npos) << tab;
    EXPECT_NE(tab.find("LANG='ru_RU.UTF-8'"), std::string::npos) << tab;
    EXPECT_NE(tab.find("XAUTHORITY='/home/o'\\''neil/.Xauthority'"), std::string::npos) << tab;
    EXPECT_NE(tab.find("XDG_CONFIG_HOME='/home/o'\\''neil/settings'"), std::string::npos) << tab;
    EXPECT_NE(tab.find("'/opt/100\\% sure/korvel' /t 3 # korvel job"), std::string::npos) << tab;
}

TEST_F(CrontabTest, TheCatchUpAtBootLivesAsLongAsAJobAndEachJobKnowsWhenItWasAdded) {
    SetCrontab(kForeign);
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::time_t before = std::time(nullptr);
    std::uint32_t a = 0, b = 0;
    ASSERT_EQ(ScheduleJobAdd(Daily(0), a, "'/opt/korvel' /catchup"), TJobStatus::Ok);
    ASSERT_EQ(ScheduleJobAdd(Daily(60000), b, "'/opt/korvel' /catchup"), TJobStatus::Ok);
    const std::time_t after = std::time(nullptr);
    std::string tab = Crontab();
    EXPECT_EQ(count(tab, "@reboot "), 1u) << tab;
    EXPECT_NE(tab.find("'/opt/korvel' /catchup # korvel catch-up\n"), std::string::npos) << tab;
    const auto added = ScheduleJobActivated(a);
    ASSERT_TRUE(added.has_value()) << tab;
    EXPECT_GE(*added, before);
    EXPECT_LE(*added, after);

    EXPECT_EQ(ScheduleJobDel(a, a), TJobStatus::Ok);
    EXPECT_EQ(count(Crontab(), "@reboot "), 1u) << Crontab();
    EXPECT_EQ(ScheduleJobDel(b, b), TJobStatus::Ok);
    EXPECT_EQ(Crontab(), kForeign);
}

TEST_F(CrontabTest, RecordsCronCannotHoldAreRefused) {
    SetCrontab(kForeign);
    TAtInfo none = Daily(0);
    none.DaysOfWeek = 0;
    std::uint32_t id = 0;
    EXPECT_EQ(ScheduleJobAdd(none, id), TJobStatus::Refused);
    EXPECT_EQ(ScheduleJobAdd(Daily(0, "x\n* * * * * evil"), id), TJobStatus::Refused);
    EXPECT_EQ(Crontab(), kForeign);
}

TEST_F(CrontabTest, WithoutTheCrontabCommandThereIsNoScheduler) {
    const std::string path = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    std::uint32_t id = 0;
    TAtInfo got;
    const TJobStatus add = ScheduleJobAdd(Daily(0), id);
    const TJobStatus info = ScheduleJobGetInfo(1, got);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(add, TJobStatus::NoScheduler);
    EXPECT_EQ(info, TJobStatus::NoScheduler);
}

struct HandEdit {
    const char* name;
    const char* line;
    TJobStatus status;
    std::uint32_t jobTime, daysOfMonth;
    std::uint8_t daysOfWeek;
};

class HandEditedTest : public CrontabTest, public ::testing::WithParamInterface<HandEdit> {};

TEST_P(HandEditedTest, ReadsWhatCronHolds) {
    const HandEdit& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(SetCrontab(kForeign + c.line + " # korvel job 9\n"));
    TAtInfo got;
    ASSERT_EQ(ScheduleJobGetInfo(9, got), c.status);
    if (c.status == TJobStatus::Ok) {
        EXPECT_EQ(got.JobTime, c.jobTime);
        EXPECT_EQ(got.DaysOfMonth, c.daysOfMonth);
        EXPECT_EQ(got.DaysOfWeek, c.daysOfWeek);
    }
    // Whatever the user did to it, the entry can be deleted, and only it.
    TSchedulesList list;
    list.AddSchedule("t", 9);
    DeleteJobs(list);
    if (c.status != TJobStatus::NoSuchJob) {
        EXPECT_EQ(Crontab(), kForeign);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HandEditedTest,
    ::testing::Values(
        HandEdit{"WorkDays", "0 8 * * mon-fri /k /t 1", TJobStatus::Ok, 28'800'000, 0, 0x1F},
        HandEdit{"SundayAsSeven", "15 20 * * 7 /k /t 1", TJobStatus::Ok, 72'900'000, 0, 0x40},
        HandEdit{"MonthDayRange", "5 9 1-3,31 * * /k /t 1", TJobStatus::Ok, 32'700'000, 0x40000007, 0},
        HandEdit{"EveryOtherDay", "0 0 */2 * * /k /t 1", TJobStatus::Ok, 0, 0x55555555, 0},
        HandEdit{"Daily", "@daily /k /t 1", TJobStatus::Ok, 0, 0, 0x7F},
        HandEdit{"Indented", "  \t30 6 * * * /k /t 1", TJobStatus::Ok, 23'400'000, 0, 0x7F},
        HandEdit{"EveryFiveMinutes", "*/5 * * * * /k /t 1", TJobStatus::Unreadable, 0, 0, 0},
        HandEdit{"OnlyInMay", "0 8 * 5 * /k /t 1", TJobStatus::Unreadable, 0, 0, 0},
        HandEdit{"Reboot", "@reboot /k /t 1", TJobStatus::Unreadable, 0, 0, 0},
        HandEdit{"WorkingHours", "0 8-17 * * * /k /t 1", TJobStatus::Unreadable, 0, 0, 0},
        HandEdit{"NamedAndNumberedDays", "0 8 1 * Sat /k /t 1", TJobStatus::Ok, 28'800'000, 1, 0x20},
        HandEdit{"CommentedOut", "#0 8 * * * /k /t 1", TJobStatus::NoSuchJob, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
