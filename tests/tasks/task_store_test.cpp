#include <bit>
#include <cstring>
#include <sys/stat.h>
#ifdef _WIN32
#include "platform/win32/wide.h"
#endif

#include "store_fixture.h"
#include "tasks/tasks_u.h"

using namespace korvel;

namespace {

constexpr TDateTime kStart = 45356.5 + 1e-10;

std::string DoubleBytes(double d) {
    std::string s(8, '\0');
    const auto bits = std::bit_cast<std::uint64_t>(d);
    for (int i = 0; i < 8; ++i)
        s[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return s;
}

// The record of a new task named "Task 1", laid out by hand field by field.
std::string DefaultRecord(int taskId) {
    std::string r;
    r += Int32Bytes(-1);               // ParentIndex
    r += std::string(4, '\0');         // four parent-settings flags
    r += StrBytes("Task 1");           // TaskName
    r += Int32Bytes(0);                // SourceDirs
    r += std::string(2, '\0');         // IncludeSubDirs, UseIndFilters
    r += StrBytes("*") + StrBytes(""); // one filter pair
    r += std::string(1, '\0');         // ExcludeSomeSubDirs
    r += Int32Bytes(0);                // ExcludeSubDirs
    r += StrBytes("");                 // DestDir
    r += "\x01\x01";                   // ShowUnableToBackup, Compress
    r += StrBytes("mybackup_%yyyy_%mm_%dd.zip");
    r += Int32Bytes(9);                                      // CompressLevel
    r += std::string(3, '\0');                               // Sfx, UpdateOnly, DeleteOldFiles
    r += Int32Bytes(10);                                     // DeleteOldFilesCount
    r += std::string(1, '\0');                               // ProtectArchive
    r += StrBytes("");                                       // password
    r += std::string(1, '\0');                               // UseSchedule
    r += Int32Bytes(1);                                      // PerformTask
    r += DoubleBytes(kStart);                                // StartTime
    r += Int32Bytes(1);                                      // Reserved1
    r += std::string(7 + 31, '\0');                          // week and month days
    r += Int32Bytes(0) + Int32Bytes(0) + Int32Bytes(taskId); // Processed, Reserved2, TaskId
    return r;
}

TTask& AddDefault(TTasksList& list, const std::string& name = "Task 1") {
    auto t = std::make_unique<TTask>();
    t->TaskName = name;
    t->StartTime = kStart;
    return list.Add(std::move(t));
}

} // namespace

class TaskStoreTest : public StoreListTest {};

TEST_F(TaskStoreTest, DefaultTaskIsA157ByteRecordIn165Bytes) {
    TTasksList list = MakeList();
    AddDefault(list);
    ASSERT_TRUE(list.SaveTasks());
    const std::string bytes = ReadBytes("tasks.bin");
    EXPECT_EQ(DefaultRecord(1).size(), 157u);
    EXPECT_EQ(bytes.size(), 165u);
    EXPECT_EQ(bytes, Int32Bytes(1) + DefaultRecord(1) + Int32Bytes(1));
    EXPECT_FALSE(list.Modified);
}

TEST_F(TaskStoreTest, EmptyListAfterClearIsEightBytes) {
    TTasksList list = MakeList();
    for (int i = 0; i < 5; ++i)
        AddDefault(list);
    list.Clear();
    ASSERT_TRUE(list.SaveTasks());
    EXPECT_EQ(ReadBytes("tasks.bin"), std::string("\0\0\0\0\x05\0\0\0", 8));
}

TEST_F(TaskStoreTest, StoresAreReadableByTheOwnerOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits: a store gets the access list of the profile directory";
#endif
    TTasksList list = MakeList();
    AddDefault(list).ProtectArchivePassword = "secret";
    ASSERT_TRUE(list.SaveTasks());
    ASSERT_TRUE(list.SaveHistory());
    for (const char* name : {"tasks.bin", "history.bin"}) {
        struct stat st;
        ASSERT_EQ(stat(Path(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(TaskStoreTest, RoundTripKeepsEveryStoredField) {
    TTasksList list = MakeList();
    TTask& a = AddDefault(list, "Parent");
    a.SourceDirs = {"/home/u/Docs/", "/home/u/Фото/", "/srv/x/"};
    a.UseIndFilters = true;
    a.Filters[0] = {"*.doc;*.txt", "~*"};
    a.Filters[1] = {"*.jpg", ""};
    a.Filters[2] = {"*", "*.tmp"};
    a.IncludeSubDirs = true;
    a.ExcludeSomeSubDirs = true;
    a.ExcludeSubDirs = {"/home/u/Docs/old/"};
    a.DestDir = "/backup/";
    a.ShowUnableToBackup = false;
    a.Sfx = true;
    a.CompressLevel = 3;
    a.UpdateOnly = a.DeleteOldFiles = true;
    a.DeleteOldFilesCount = 4;
    a.ProtectArchive = true;
    a.ProtectArchivePassword = "pa ss\"word";
    a.UseSchedule = true;
    a.PerformTask = 2;
    a.ScheduleWeekDays[0] = a.ScheduleWeekDays[6] = true;
    a.ScheduleMonthDays[30] = true;
    a.Reserved2 = 77;
    a.AskZipFileName = true;
    TTask& b = AddDefault(list, "Child");
    b.Parent = &a;
    b.SourceParentSettings = b.ScheduleParentSettings = true;
    b.DestParentSettings = b.CompressParentSettings = true;
    b.Filters[1] = {"not stored", ""};
    AddDefault(list, "Third").Compress = false;
    list.Delete(2);
    ASSERT_TRUE(list.SaveTasks());

    TTasksList loaded = MakeList();
    ASSERT_TRUE(loaded.LoadTasks());
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.LastTaskId, 3);
    const TTask& la = loaded.Item(0);
    const TTask& lb = loaded.Item(1);
    EXPECT_EQ(la.SourceDirs, a.SourceDirs);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(la.Filters[i], a.Filters[i]);
    EXPECT_EQ(la.ExcludeSubDirs, a.ExcludeSubDirs);
    EXPECT_EQ(la.DestDir, "/backup/");
    EXPECT_FALSE(la.ShowUnableToBackup);
    EXPECT_EQ(la.CompressType(), 2);
    EXPECT_EQ(la.CompressLevel, 3);
    EXPECT_TRUE(la.UpdateOnly && la.DeleteOldFiles);
    EXPECT_EQ(la.DeleteOldFilesCount, 4);
    EXPECT_EQ(la.ProtectArchivePassword, "pa ss\"word");
    EXPECT_EQ(la.PerformTask, 2);
    EXPECT_EQ(la.ScheduleWeekDays, a.ScheduleWeekDays);
    EXPECT_EQ(la.ScheduleMonthDays, a.ScheduleMonthDays);
    EXPECT_EQ(la.StartTime, kStart);
    EXPECT_EQ(la.Reserved2, 77);
    EXPECT_FALSE(la.AskZipFileName);
    EXPECT_EQ(la.TaskId, 1);
    EXPECT_EQ(la.Parent, nullptr);
    EXPECT_EQ(lb.Parent, &la);
    EXPECT_EQ(lb.TaskId, 2);
    EXPECT_TRUE(lb.SourceParentSettings && lb.DestParentSettings && lb.CompressParentSettings &&
                lb.ScheduleParentSettings);
    EXPECT_EQ(lb.Filters[1], TFilterPair{}) << "only one pair is stored without individual filters";
    EXPECT_TRUE(errors.empty());
}

TEST_F(TaskStoreTest, IndividualFiltersStoreOnePairPerDirectory) {
    TTasksList list = MakeList();
    TTask& t = AddDefault(list);
    t.SourceDirs = {"/a/", "/b/", "/c/"};
    ASSERT_TRUE(list.SaveTasks());
    const auto single = ReadBytes("tasks.bin").size();
    t.UseIndFilters = true;
    ASSERT_TRUE(list.SaveTasks());
    // Pairs 1 and 2 are two empty strings each.
    EXPECT_EQ(ReadBytes("tasks.bin").size(), single + 2 * 8);
}

TEST_F(TaskStoreTest, ParentLinksThatCannotBeResolvedBecomeTopLevel) {
    TTasksList list = MakeList();
    TTask& a = AddDefault(list, "A");
    TTask& b = AddDefault(list, "B");
    TTask& c = AddDefault(list, "C");
    b.Parent = &a;
    c.Parent = &c; // a task cannot be its own parent
    ASSERT_TRUE(list.SaveTasks());
    std::string bytes = ReadBytes("tasks.bin");
    // Point B's ParentIndex (first field of the second record) past the last task.
    std::memcpy(&bytes[4 + 152], Int32Bytes(9).data(), 4); // record "A" is 152 bytes
    WriteBytes("tasks.bin", bytes);
    TTasksList loaded = MakeList();
    ASSERT_TRUE(loaded.LoadTasks());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(loaded.Item(i).Parent, nullptr) << i;

    // A parent deleted before the save is stored as -1.
    TTasksList other = MakeList();
    TTask& p = AddDefault(other, "P");
    AddDefault(other, "Q").Parent = &p;
    other.Delete(0);
    ASSERT_TRUE(other.SaveTasks());
    EXPECT_EQ(ReadBytes("tasks.bin").substr(4, 4), Int32Bytes(-1));
}

TEST_F(TaskStoreTest, MissingStoreIsAnEmptyListSilently) {
    TTasksList list = MakeList();
    AddDefault(list);
    EXPECT_TRUE(list.LoadTasks());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Modified);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TaskStoreTest, DamagedStoresAreReportedKeptAsideAndNeverCrash) {
    TTasksList list = MakeList();
    AddDefault(list, "One").SourceDirs = {"/x/"};
    AddDefault(list, "Two");
    ASSERT_TRUE(list.SaveTasks());
    const std::string good = ReadBytes("tasks.bin");

    struct Case {
        std::string name;
        std::string bytes;
        int tasksKept;
    };
    std::vector<Case> cases = {
        {"huge count", Int32Bytes(0x7FFFFFFF) + good.substr(4), 2},
        {"negative count", Int32Bytes(-5) + good.substr(4), 0},
        {"huge list count", good.substr(0, 4 + 15) + Int32Bytes(0x40000000) + good.substr(23), 0},
        {"huge string length", good.substr(0, 8 + 4) + Int32Bytes(0x7FFFFFF0) + good.substr(16), 0},
        {"missing LastTaskId", good.substr(0, good.size() - 4), 2},
    };
    // Every cut in the middle of the records.
    for (std::size_t cut = 1; cut + 4 < good.size(); cut += 7)
        cases.push_back({"cut at " + std::to_string(cut), good.substr(0, cut), -1});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes("tasks.bin", c.bytes);
        std::filesystem::remove(Path("tasks.bin.damaged"));
        errors.clear();
        TTasksList loaded = MakeList();
        EXPECT_FALSE(loaded.LoadTasks());
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("damaged"), std::string::npos);
        EXPECT_EQ(ReadBytes("tasks.bin.damaged"), c.bytes);
        if (c.tasksKept >= 0) {
            EXPECT_EQ(loaded.Count(), c.tasksKept);
        }
        // Ids of the tasks that were read are never handed out again.
        for (int i = 0; i < loaded.Count(); ++i)
            EXPECT_GE(loaded.LastTaskId, loaded.Item(i).TaskId);
    }
}

TEST_F(TaskStoreTest, FailedSaveKeepsTheModifiedFlagAndReportsTheSystemText) {
    TTasksList list(Dir() + "no/such/dir/");
    std::vector<std::string> errs;
    list.OnStoreError = [&](const std::string& m) { errs.push_back(m); };
    AddDefault(list);
    EXPECT_FALSE(list.SaveTasks());
    EXPECT_TRUE(list.Modified);
    ASSERT_EQ(errs.size(), 1u);
#ifdef _WIN32
    const std::string text = win32::ErrorText(ERROR_PATH_NOT_FOUND);
#else
    const std::string text = "No such file or directory";
#endif
    EXPECT_NE(errs[0].find(text), std::string::npos) << errs[0];
}

TEST_F(TaskStoreTest, LoadRemovesTemporariesOfAnInterruptedSave) {
    const std::string stale = Path(".tasks.bin.tmp-Ab12Cd");
    WriteBytes(".tasks.bin.tmp-Ab12Cd", "partial");
    WriteBytes("unrelated.tmp", "keep");
    TTasksList list = MakeList();
    list.LoadTasks();
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(Path("unrelated.tmp")));
}
