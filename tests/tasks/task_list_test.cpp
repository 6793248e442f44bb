#include <gtest/gtest.h>

#include "tasks/tasks_u.h"

using namespace korvel;

TEST(TaskTest, NewTaskHoldsTheDefaults) {
    const TTask t;
    EXPECT_TRUE(t.Compress);
    EXPECT_FALSE(t.Sfx);
    EXPECT_EQ(t.CompressType(), 1);
    EXPECT_EQ(t.CompressLevel, 9);
    EXPECT_EQ(t.ZipFileName, "mybackup_%yyyy_%mm_%dd.zip");
    EXPECT_EQ(t.DeleteOldFilesCount, 10);
    EXPECT_EQ(t.Filters[0], (TFilterPair{"*", ""}));
    EXPECT_EQ(t.Filters[1], (TFilterPair{}));
    EXPECT_EQ(t.PerformTask, 1);
    EXPECT_EQ(t.Reserved1, 1);
    EXPECT_TRUE(t.ShowUnableToBackup);
    EXPECT_EQ(t.TaskId, 0);
    EXPECT_EQ(t.Parent, nullptr);

    // Ten minutes ahead, on a whole minute.
    const TDateTime now = Now();
    EXPECT_NEAR(t.StartTime - now, 10.0 / 1440, 1.0 / 1440 + 1e-6);
    const TDateParts p = DecodeDateTime(t.StartTime);
    EXPECT_EQ(p.Second, 0);
    EXPECT_EQ(p.Millisecond, 0);
}

TEST(TaskTest, AssignCopiesOnlyTheFilterPairsInUse) {
    struct Case {
        bool useIndFilters;
        int expectedPairs;
    };
    for (const Case c : {Case{true, 3}, Case{false, 1}}) {
        TTask source;
        source.SourceDirs = {"/a/", "/b/", "/c/"};
        source.UseIndFilters = c.useIndFilters;
        for (int i = 0; i < 5; ++i)
            source.Filters[i] = {"src" + std::to_string(i), "x"};
        source.TaskId = 7;
        source.SourceParentSettings = true;
        source.AskZipFileName = true;
        source.RunZipFileName = "/run.zip";

        TTask target;
        for (int i = 0; i < 5; ++i)
            target.Filters[i] = {"old" + std::to_string(i), ""};
        target.Assign(source);

        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(target.Filters[i].IncludeFilter,
                      (i < c.expectedPairs ? "src" : "old") + std::to_string(i))
                << "pair " << i << " useIndFilters " << c.useIndFilters;
        EXPECT_EQ(target.TaskId, 7);
        EXPECT_FALSE(target.SourceParentSettings);
        EXPECT_FALSE(target.AskZipFileName);
        EXPECT_EQ(target.RunZipFileName, "");
    }
}

TEST(TaskListTest, TaskIdsAreNeverReused) {
    TTasksList list("/nonexistent/");
    for (int i = 0; i < 3; ++i)
        list.Add(std::make_unique<TTask>());
    EXPECT_EQ(list.Item(0).TaskId, 1);
    EXPECT_EQ(list.Item(2).TaskId, 3);
    list.Delete(2);
    EXPECT_EQ(list.Add(std::make_unique<TTask>()).TaskId, 4);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Add(std::make_unique<TTask>()).TaskId, 5);
    EXPECT_TRUE(list.Modified);
}

TEST(TaskListTest, DeletingAParentMakesItsChildrenTopLevel) {
    TTasksList list("/nonexistent/");
    TTask& a = list.Add(std::make_unique<TTask>());
    TTask& b = list.Add(std::make_unique<TTask>());
    TTask& c = list.Add(std::make_unique<TTask>());
    b.Parent = &a;
    c.Parent = &b;
    list.Delete(0);
    EXPECT_EQ(b.Parent, nullptr);
    EXPECT_EQ(c.Parent, &b);
    EXPECT_EQ(list.IndexOf(&c), 1);
    EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST(TaskListTest, ExchangeSwapsAndMarksModified) {
    TTasksList list("/nonexistent/");
    list.Add(std::make_unique<TTask>()).TaskName = "first";
    list.Add(std::make_unique<TTask>()).TaskName = "second";
    list.Modified = false;
    list.Exchange(0, 1);
    EXPECT_EQ(list.Item(0).TaskName, "second");
    EXPECT_TRUE(list.Modified);
}

TEST(TaskListTest, HistoryKeepsTheLatestHundredRuns) {
    TTasksList list("/nonexistent/");
    TTask& t = list.Add(std::make_unique<TTask>());
    for (int i = 1; i <= 101; ++i) {
        t.TaskName = "run " + std::to_string(i);
        list.AddToHistory(0);
    }
    EXPECT_EQ(list.HistoryCount, 100);
    EXPECT_EQ(list.History[0].TaskName, "run 2");
    EXPECT_EQ(list.History[99].TaskName, "run 101");
    EXPECT_EQ(list.History[99].TaskId, t.TaskId);
    EXPECT_NEAR(list.History[99].RunTime, Now(), 1.0 / 86400 * 5);
    EXPECT_TRUE(list.HistoryModified);
}

TEST(TaskListTest, EffectiveTaskFollowsTheFlagUpTheChain) {
    TTask root, middle, leaf;
    middle.Parent = &root;
    leaf.Parent = &middle;
    leaf.SourceParentSettings = true;
    EXPECT_EQ(&EffectiveTask(leaf, &TTask::SourceParentSettings), &middle);
    middle.SourceParentSettings = true;
    EXPECT_EQ(&EffectiveTask(leaf, &TTask::SourceParentSettings), &root);
    EXPECT_EQ(&EffectiveTask(leaf, &TTask::ScheduleParentSettings), &leaf);

    // A cycle from a damaged store must not hang the walk.
    root.Parent = &leaf;
    root.SourceParentSettings = true;
    EffectiveTask(leaf, &TTask::SourceParentSettings);
}

TEST(IntArrayTest, GrowsAndClears) {
    TIntArray a;
    for (int i = 0; i < 2500; ++i)
        a.Add(i * 2);
    EXPECT_EQ(a.Count(), 2500);
    EXPECT_EQ(a.Get(2499), 4998);
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
}
