// A disk that fails after any number of bytes must never cost the user the store
// they had: every saver is swept over every failure point.

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <unistd.h>

#include "store_fixture.h"
#include "store_samples.h"
#include "tasks/tasks_u.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// How a disk refuses once its room is used up.
enum class EFailure {
    ErrorNoSpace, // write() returns -1 with ENOSPC
    ErrorIo,      // write() returns -1 with EIO
    ZeroWritten,  // write() returns 0 (a full disk that says nothing)
};

struct TFailingDisk {
    std::size_t room = 0;
    std::size_t chunk = 0; // most bytes per call; 0 for no limit
    EFailure failure = EFailure::ErrorNoSpace;
    std::size_t written = 0;
};

// A write that passes `room` bytes to the file, at most `chunk` per call, then fails.
WriteFn FailingWrite(std::shared_ptr<TFailingDisk> disk) {
    return [disk](int fd, const char* data, std::size_t size) -> long {
        const std::size_t left = disk->room - disk->written;
        if (left == 0) {
            switch (disk->failure) {
            case EFailure::ErrorNoSpace:
                errno = ENOSPC;
                return -1;
            case EFailure::ErrorIo:
                errno = EIO;
                return -1;
            case EFailure::ZeroWritten:
                return 0;
            }
        }
        std::size_t n = std::min(size, left);
        if (disk->chunk)
            n = std::min(n, disk->chunk);
        const long done = static_cast<long>(::write(fd, data, n));
        if (done > 0)
            disk->written += static_cast<std::size_t>(done);
        return done;
    };
}

std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// One store: how to write its old contents, and how to try writing new contents
// through a given write function. The try reports the saver's result, its error
// text, and whether the "unsaved changes" flag is still set afterwards.
struct TSaveAttempt {
    bool ok = false;
    std::string error;
    bool stillModified = false;
};

struct TStoreCase {
    const char* name;
    const char* file;
    std::function<void(const std::string& dir)> saveOld;
    std::function<TSaveAttempt(const std::string& dir, const WriteFn& write)> saveNew;
};

std::vector<TStoreCase> StoreCases() {
    return {
        {"Tasks", "tasks.bin",
         [](const std::string& dir) {
             TTasksList list(dir);
             FillTasks(list, 1, "old");
             ASSERT_TRUE(list.SaveTasks());
         },
         [](const std::string& dir, const WriteFn& write) {
             TTasksList list(dir);
             FillTasks(list, 3, "new");
             TSaveAttempt a;
             list.OnStoreError = [&a](const std::string& m) { a.error = m; };
             list.StoreWrite = write;
             a.ok = list.SaveTasks();
             a.stillModified = list.Modified;
             return a;
         }},
        {"History", "history.bin",
         [](const std::string& dir) {
             TTasksList list(dir);
             FillHistory(list, 1, 0, "old");
             ASSERT_TRUE(list.SaveHistory());
         },
         [](const std::string& dir, const WriteFn& write) {
             TTasksList list(dir);
             FillHistory(list, 4, 2, "new");
             TSaveAttempt a;
             list.OnStoreError = [&a](const std::string& m) { a.error = m; };
             list.StoreWrite = write;
             a.ok = list.SaveHistory();
             a.stillModified = list.HistoryModified;
             return a;
         }},
        {"Options", "options.bin",
         [](const std::string& dir) {
             std::string error;
             ASSERT_TRUE(SaveOptions({true, true}, dir, error)) << error;
         },
         [](const std::string& dir, const WriteFn& write) {
             TSaveAttempt a;
             a.ok = SaveOptions({false, true}, dir, a.error, write);
             a.stillModified = !a.ok; // the options carry no flag: a failure is the caller's to repeat
             return a;
         }},
    };
}

struct TSweepParam {
    std::size_t store;
    EFailure failure;
    std::size_t chunk;
    bool oldStoreExists;
};

void PrintTo(const TSweepParam& p, std::ostream* os) {
    *os << StoreCases()[p.store].name << " failure " << static_cast<int>(p.failure) << " chunk " << p.chunk
        << (p.oldStoreExists ? " over an old store" : " without an old store");
}

std::string SweepName(const ::testing::TestParamInfo<TSweepParam>& info) {
    static const char* failures[] = {"NoSpace", "Io", "ZeroWritten"};
    const TSweepParam& p = info.param;
    return std::string(StoreCases()[p.store].name) + "_" + failures[static_cast<int>(p.failure)] +
           (p.chunk ? "_Chunks" + std::to_string(p.chunk) : std::string("_OneCall")) +
           (p.oldStoreExists ? "_OverOldStore" : "_NoOldStore");
}

} // namespace

class StoreFaultSweepTest : public StoreDirTest, public ::testing::WithParamInterface<TSweepParam> {};

TEST_P(StoreFaultSweepTest, EveryFailurePointKeepsTheOldStoreAndLeavesNoTemporary) {
    const TSweepParam& p = GetParam();
    const TStoreCase store = StoreCases()[p.store];

    // The bytes a successful save produces, from a scratch directory.
    const fs::path scratch = dir_ / "scratch";
    fs::create_directories(scratch);
    ASSERT_TRUE(store.saveNew(scratch.string() + "/", {}).ok);
    const std::string fresh = [&] {
        std::ifstream in(scratch / store.file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    fs::remove_all(scratch);
    ASSERT_FALSE(fresh.empty());

    if (p.oldStoreExists)
        store.saveOld(Dir());
    const std::set<std::string> filesBefore = FilesIn(dir_);
    const std::string old = p.oldStoreExists ? ReadBytes(store.file) : std::string();
    ASSERT_NE(old, fresh);

    for (std::size_t room = 0; room <= fresh.size(); ++room) {
        auto disk = std::make_shared<TFailingDisk>();
        disk->room = room;
        disk->chunk = p.chunk;
        disk->failure = p.failure;
        const TSaveAttempt a = store.saveNew(Dir(), FailingWrite(disk));
        if (room < fresh.size()) {
            EXPECT_FALSE(a.ok) << "room " << room;
            EXPECT_NE(a.error.find("Error writing file"), std::string::npos)
                << "room " << room << ": " << a.error;
            EXPECT_TRUE(a.stillModified) << "room " << room;
            EXPECT_EQ(FilesIn(dir_), filesBefore) << "room " << room;
            if (p.oldStoreExists) {
                EXPECT_EQ(ReadBytes(store.file), old) << "room " << room;
            }
        } else {
            EXPECT_TRUE(a.ok) << a.error;
            EXPECT_FALSE(a.stillModified);
            EXPECT_EQ(ReadBytes(store.file), fresh);
            std::set<std::string> expected = filesBefore;
            expected.insert(store.file);
            EXPECT_EQ(FilesIn(dir_), expected);
        }
        if (HasFailure())
            break; // one failure point tells the story; the rest would repeat it
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllStores, StoreFaultSweepTest, ::testing::ValuesIn([] {
        std::vector<TSweepParam> params;
        for (std::size_t store = 0; store < 3; ++store)
            for (EFailure f : {EFailure::ErrorNoSpace, EFailure::ErrorIo, EFailure::ZeroWritten})
                for (bool old : {true, false})
                    params.push_back({store, f, 0, old});
        // A write that hands over a few bytes per call must be
        // continued, and still fail cleanly at every point.
        for (std::size_t store = 0; store < 3; ++store)
            params.push_back({store, EFailure::ErrorNoSpace, 7, true});
        return params;
    }()),
    SweepName);

class StoreInterruptedWriteTest : public StoreDirTest {};

TEST_F(StoreInterruptedWriteTest, AnInterruptedWriteIsRepeatedNotReportedAsAFailure) {
    TTasksList list(Dir());
    FillTasks(list, 2, "x");
    bool interrupted = false;
    list.StoreWrite = [&interrupted](int fd, const char* data, std::size_t size) -> long {
        if (!interrupted) {
            interrupted = true;
            errno = EINTR;
            return -1;
        }
        return static_cast<long>(::write(fd, data, size));
    };
    std::string error;
    list.OnStoreError = [&error](const std::string& m) { error = m; };
    ASSERT_TRUE(list.SaveTasks()) << error;
    EXPECT_TRUE(interrupted);

    TTasksList loaded(Dir());
    ASSERT_TRUE(loaded.LoadTasks());
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Item(1).TaskName, "x task 1");
}
