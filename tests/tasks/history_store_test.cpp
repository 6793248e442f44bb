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
