#include <set>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <unistd.h>

#include "store_fixture.h"
#include "tasks/tasks_u.h"

using namespace korvel;

class HistoryStoreTest : public StoreListTest {};

TEST_F(HistoryStoreTest, EmptyHistoryIsEightZeroBytes) {
    TTasksList list = MakeList();
    ASSERT_TRUE(list.SaveHistory());
    EXPECT_EQ(ReadBytes("history.bin"), std::string(8, '\0'));
}

TEST_F(HistoryStoreTest, LayoutPutsTheNameBeforeTheJobId) {
    TTasksList list = MakeList();
    list.Schedules.AddSchedule("Nightly", 0x01020304);
    ASSERT_TRUE(list.SaveHistory());
    EXPECT_EQ(ReadBytes("history.bin"),
              Int32Bytes(0) + Int32Bytes(1) + StrBytes("Nightly") + "\x04\x03\x02\x01");
}

TEST_F(HistoryStoreTest, HundredRunsSurviveAndTheNextDropsTheOldest) {
    TTasksList list = MakeList();
    TTask& t = list.Add(std::make_unique<TTask>());
    for (int i = 0; i < 100; ++i) {
        t.TaskName = "run " + std::to_string(i);
        list.AddToHistory(0);
    }
    list.Schedules.AddSchedule("Same", 1);
    list.Schedules.AddSchedule("Same", 2);
    ASSERT_TRUE(list.SaveHistory());
    EXPECT_FALSE(list.HistoryModified);

    TTasksList loaded = MakeList();
    ASSERT_TRUE(loaded.LoadHistory());
    EXPECT_EQ(loaded.HistoryCount, 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(loaded.History[i], list.History[i]);
    ASSERT_EQ(loaded.Schedules.Count(), 2);
    EXPECT_EQ(loaded.Schedules.Items[1], (TScheduleEntry{2, "Same"}));

    TTask& again = loaded.Add(std::make_unique<TTask>());
    again.TaskName = "newest";
    loaded.AddToHistory(0);
    ASSERT_TRUE(loaded.SaveHistory());
    TTasksList reloaded = MakeList();
    ASSERT_TRUE(reloaded.LoadHistory());
    EXPECT_EQ(reloaded.HistoryCount, 100);
    EXPECT_EQ(reloaded.History[0].TaskName, "run 1");
    EXPECT_EQ(reloaded.History[99].TaskName, "newest");
    EXPECT_TRUE(errors.empty());
}

TEST_F(HistoryStoreTest, DamagedHistoryIsReportedAndBounded) {
    std::string entry = StrBytes("t") + Int32Bytes(1) + std::string(8, '\0');
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += entry;
    struct Case {
        std::string name;
        std::string bytes;
        int runs;
    };
    const std::vector<Case> cases = {
        {"more than a hundred runs", Int32Bytes(150) + many + Int32Bytes(0), 100},
        {"huge run count", Int32Bytes(0x7FFFFFFF) + entry, 1},
        {"negative run count", Int32Bytes(-1) + Int32Bytes(0), 0},
        {"huge job count", Int32Bytes(1) + entry + Int32Bytes(0x7FFFFFFF), 1},
        {"cut inside a run", Int32Bytes(2) + entry + entry.substr(0, 9), 1},
        {"cut inside a job", Int32Bytes(0) + Int32Bytes(1) + StrBytes("job"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes("history.bin", c.bytes);
        errors.clear();
        TTasksList list = MakeList();
        EXPECT_FALSE(list.LoadHistory());
        EXPECT_EQ(errors.size(), 1u);
        EXPECT_EQ(list.HistoryCount, c.runs);
        EXPECT_LE(list.HistoryCount, 100);
    }
}

// ---- several processes sharing the store: a main window open all day and scheduled runs ----

namespace {

void AddRun(TTasksList& list, const std::string& name, double time) {
    TTask& t = list.Count() ? list.Item(0) : list.Add(std::make_unique<TTask>());
    t.TaskName = name;
    list.AddToHistory(0);
    list.History[static_cast<std::size_t>(list.HistoryCount - 1)].RunTime = time;
}

std::vector<std::string> RunNames(const TTasksList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.HistoryCount; ++i)
        names.push_back(list.History[static_cast<std::size_t>(i)].TaskName);
    return names;
}

std::vector<std::uint32_t> JobIds(const TTasksList& list) {
    std::vector<std::uint32_t> ids;
    for (const auto& job : list.Schedules.Items)
        ids.push_back(job.JobId);
    return ids;
}

} // namespace

TEST_F(HistoryStoreTest, AWindowOpenAllDayKeepsTheRunsAndJobsOthersSaved) {
    {
        TTasksList first = MakeList();
        AddRun(first, "morning", 46000.25);
        first.Schedules.AddSchedule("Nightly", 1);
        ASSERT_TRUE(first.SaveHistory());
    }
    TTasksList window = MakeList();
    ASSERT_TRUE(window.LoadHistory());

    TTasksList scheduled = MakeList();
    ASSERT_TRUE(scheduled.LoadHistory());
    AddRun(scheduled, "noon", 46000.5);
    scheduled.Schedules.AddSchedule("Weekly", 2);
    ASSERT_TRUE(scheduled.SaveHistory());

    AddRun(window, "afternoon", 46000.6);
    AddRun(window, "evening", 46000.9);
    window.Schedules.AddSchedule("Monthly", 3);
    ASSERT_TRUE(window.SaveHistory());
    EXPECT_EQ(RunNames(window), (std::vector<std::string>{"morning", "noon", "afternoon", "evening"}));

    TTasksList stored = MakeList();
    ASSERT_TRUE(stored.LoadHistory());
    EXPECT_EQ(RunNames(stored), (std::vector<std::string>{"morning", "noon", "afternoon", "evening"}));
    EXPECT_EQ(JobIds(stored), (std::vector<std::uint32_t>{1, 3, 2}));

    // Saving again adds nothing twice.
    window.HistoryModified = true;
    ASSERT_TRUE(window.SaveHistory());
    ASSERT_TRUE(stored.LoadHistory());
    EXPECT_EQ(stored.HistoryCount, 4);
    EXPECT_EQ(stored.Schedules.Count(), 3);
    EXPECT_TRUE(errors.empty());
}

TEST_F(HistoryStoreTest, WhatThisWindowClearedStaysClearedButNewRunsOfOthersStay) {
    {
        TTasksList first = MakeList();
        AddRun(first, "old 1", 46000.1);
        AddRun(first, "old 2", 46000.2);
        first.Schedules.AddSchedule("Nightly", 5);
        ASSERT_TRUE(first.SaveHistory());
    }
    TTasksList window = MakeList();
    ASSERT_TRUE(window.LoadHistory());
    TTasksList scheduled = MakeList();
    ASSERT_TRUE(scheduled.LoadHistory());
    AddRun(scheduled, "new", 46000.3);
    scheduled.Schedules.AddSchedule("Weekly", 6);
    ASSERT_TRUE(scheduled.SaveHistory());

    window.HistoryCount = 0;
    window.Schedules.ClearSchedules();
    ASSERT_TRUE(window.SaveHistory());

    TTasksList stored = MakeList();
    ASSERT_TRUE(stored.LoadHistory());
    EXPECT_EQ(RunNames(stored), std::vector<std::string>{"new"});
    EXPECT_EQ(JobIds(stored), std::vector<std::uint32_t>{6});
}

TEST_F(HistoryStoreTest, MergedRunsKeepTheNewestHundredInTimeOrder) {
    TTasksList window = MakeList();
    ASSERT_TRUE(window.LoadHistory());
    TTasksList scheduled = MakeList();
    ASSERT_TRUE(scheduled.LoadHistory());
    for (int i = 0; i < 70; ++i) {
        AddRun(window, "w" + std::to_string(i), 46000 + 2 * i);
        AddRun(scheduled, "s" + std::to_string(i), 46000 + 2 * i + 1);
    }
    ASSERT_TRUE(scheduled.SaveHistory());
    ASSERT_TRUE(window.SaveHistory());
    TTasksList stored = MakeList();
    ASSERT_TRUE(stored.LoadHistory());
    ASSERT_EQ(stored.HistoryCount, 100);
    EXPECT_EQ(stored.History[0].TaskName, "w20");
    EXPECT_EQ(stored.History[1].TaskName, "s20");
    EXPECT_EQ(stored.History[99].TaskName, "s69");
}

// Processes that each save after every run, as scheduled runs do, without ever
// reading the store again: the lock and the merge lose none of their runs.
TEST_F(HistoryStoreTest, ConcurrentProcessesLoseNoRun) {
#ifdef _WIN32
    GTEST_SKIP() << "the competing processes are forked, and Windows has no fork()";
#else
    constexpr int kProcesses = 4, kRuns = 20;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TTasksList list(Dir());
            bool ok = list.LoadHistory();
            for (int i = 0; i < kRuns && ok; ++i) {
                AddRun(list, "p" + std::to_string(p) + " run " + std::to_string(i), 46000 + i);
                ok = list.SaveHistory();
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TTasksList stored = MakeList();
    ASSERT_TRUE(stored.LoadHistory());
    EXPECT_EQ(stored.HistoryCount, kProcesses * kRuns);
    const auto all = RunNames(stored);
    const std::set<std::string> names(all.begin(), all.end());
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kProcesses * kRuns));
#endif
}
