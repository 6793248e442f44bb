#ifdef _WIN32

#include <gtest/gtest.h>

TEST(CopyBackupTest, NotOnWindows) {
    GTEST_SKIP() << "the mirror tests watch the copies with inotify and change POSIX modes and links, which "
                    "Windows does not have";
}

#else

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/copy_backup.h"
#include "engine/file_selection.h"
#include "platform/copy_file.h"
#include "tasks/task.h"
#include "temp_tree.h"

namespace korvel {
namespace {

using test::ReadText;
using test::TTempTree;

// A clock that moves on by a fixed step every time it is read.
TickFn SteppingClock(std::uint32_t step) {
    auto now = std::make_shared<std::uint32_t>(1000);
    return [now, step] { return *now += step; };
}

TEST(CopyBackup, MirrorsBelowTheCommonRoot) {
    TTempTree tree;
    const std::string a = tree.Write("src/Docs/a.txt", "A");
    const std::string b = tree.Write("src/Photos/2024/b.jpg", "B");
    const std::string dest = tree.Path("backup") + "/";
    TTask task;
    bool abort = true;
    const TRunReport report =
        CopyBackup(task, {a, b}, static_cast<int>(tree.Path("src/").size()), abort, {}, dest);
    EXPECT_FALSE(abort);
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(ReadText(dest + "Docs/a.txt"), "A");
    EXPECT_EQ(ReadText(dest + "Photos/2024/b.jpg"), "B");
}

// No drive letter exists on POSIX: a ":" is a name character like any other, and
// turning it into "_" would make a:b.txt and a_b.txt overwrite each other.
TEST(CopyBackup, ColonsBelowTheRootAreKept) {
    TTempTree tree;
    const std::string colon = tree.Write("src/a:b.txt", "colon");
    const std::string underscore = tree.Write("src/a_b.txt", "underscore");
    const std::string drive = tree.Write("src/C:/Docs/a.txt", "C");
    const std::string dest = tree.Path("backup/");
    TTask task;
    bool abort = false;
    const TRunReport report = CopyBackup(task, {colon, underscore, drive},
                                         static_cast<int>(tree.Path("src/").size()), abort, {}, dest);
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(ReadText(dest + "a:b.txt"), "colon");
    EXPECT_EQ(ReadText(dest + "a_b.txt"), "underscore");
    EXPECT_EQ(ReadText(dest + "C:/Docs/a.txt"), "C");
    EXPECT_FALSE(std::filesystem::exists(dest + "C_"));
}

TEST(CopyBackup, KeepsModificationTimeAndPermissions) {
    TTempTree tree;
    const std::string a = tree.Write("src/run.sh", "#!/bin/sh\n");
    ::chmod(a.c_str(), 0750);
    test::SetMTime(a, 1500000000, 5);
    TTask task;
    bool abort = false;
    CopyBackup(task, {a}, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/"));
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("dst/run.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
}

TEST(CopyBackup, DestinationWithoutSeparatorGetsOne) {
    TTempTree tree;
    const std::string a = tree.Write("src/a.txt", "A");
    TTask task;
    bool abort = false;
    CopyBackup(task, {a}, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst"));
    EXPECT_EQ(ReadText(tree.Path("dst/a.txt")), "A");
}

// Marks every copy so that a later run that copies a file shows it.
void Scribble(const std::string& copy, const std::string& source) {
    const timespec m = test::MTime(source);
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << "untouched";
    test::SetMTime(copy, m.tv_sec, m.tv_nsec);
}

TEST(CopyBackup, IncrementalRunCopiesOnlyWhatChanged) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    std::vector<std::string> names{"a.txt", "sub/b.txt", "sub/c.txt", "d.txt"};
    for (const auto& n : names) {
        tree.Write("src/" + n, "v1 " + n);
        test::SetMTime(tree.Path("src/" + n), 1700000000);
    }
    const std::vector<std::string> files = SelectFiles(src, "*", "", true);
    ASSERT_EQ(files.size(), names.size());
    const int root = static_cast<int>(src.size()) + 1;
    const std::string dest = tree.Path("dst/");
    TTask task;
    task.UpdateOnly = true;
    bool abort = false;
    CopyBackup(task, files, root, abort, {}, dest);
    for (const auto& n : names)
        EXPECT_EQ(ReadText(dest + n), "v1 " + n);

    for (const auto& n : names)
        Scribble(dest + n, tree.Path("src/" + n));
    CopyBackup(task, files, root, abort, {}, dest);
    for (const auto& n : names)
        EXPECT_EQ(ReadText(dest + n), "untouched") << "copied again without a change: " << n;

    tree.Write("src/sub/b.txt", "v2");
    test::SetMTime(tree.Path("src/sub/b.txt"), 1700000100);
    CopyBackup(task, files, root, abort, {}, dest);
    for (const auto& n : names)
        EXPECT_EQ(ReadText(dest + n), n == "sub/b.txt" ? "v2" : "untouched") << n;
}

TEST(CopyBackup, IncrementalComparisonUsesTwoSecondResolution) {
    TTempTree tree;
    const std::string a = tree.Write("src/a.txt", "new");
    const std::string copy = tree.Write("dst/a.txt", "old");
    test::SetMTime(a, 1700000000, 0); // an even second
    test::SetMTime(copy, 1700000001, 500000000);
    TTask task;
    task.UpdateOnly = true;
    bool abort = false;
    const int root = static_cast<int>(tree.Path("src/").size());
    CopyBackup(task, {a}, root, abort, {}, tree.Path("dst/"));
    EXPECT_EQ(ReadText(copy), "old");
    test::SetMTime(copy, 1700000002, 0);
    CopyBackup(task, {a}, root, abort, {}, tree.Path("dst/"));
    EXPECT_EQ(ReadText(copy), "new");
}

TEST(CopyBackup, NewerDestinationIsOverwrittenInBothModes) {
    for (bool updateOnly : {false, true}) {
        TTempTree tree;
        const std::string a = tree.Write("src/a.txt", "source");
        const std::string copy = tree.Write("dst/a.txt", "newer copy");
        test::SetMTime(a, 1600000000);
        test::SetMTime(copy, 1700000000);
        TTask task;
        task.UpdateOnly = updateOnly;
        bool abort = false;
        CopyBackup(task, {a}, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/"));
        EXPECT_EQ(ReadText(copy), "source") << updateOnly;
    }
}

TEST(CopyBackup, NeverDeletesInTheDestination) {
    TTempTree tree;
    const std::string a = tree.Write("src/a.txt");
    tree.Write("dst/removed-from-source.txt", "kept");
    TTask task;
    bool abort = false;
    CopyBackup(task, {a}, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/"));
    EXPECT_EQ(ReadText(tree.Path("dst/removed-from-source.txt")), "kept");
}

std::vector<std::string> MakeFiles(const TTempTree& tree, int count) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back(tree.Write("src/f" + std::to_string(i), std::to_string(i)));
    return files;
}

// The fractions a copy reports for a number of files when each file takes a number of
// milliseconds: at most one report every 50 ms, and a single file reports its end.
struct TReportCase {
    const char* name;
    int files;
    std::uint32_t msPerFile;
    std::vector<double> fractions;
};

class CopyBackupReports : public ::testing::TestWithParam<TReportCase> {};

TEST_P(CopyBackupReports, AsTheClockAllows) {
    const TReportCase& c = GetParam();
    TTempTree tree;
    const auto files = MakeFiles(tree, c.files);
    std::vector<double> fractions;
    TTask task;
    bool abort = false;
    CopyBackup(
        task, files, static_cast<int>(tree.Path("src/").size()), abort,
        [&](double f) {
            fractions.push_back(f);
            return false;
        },
        tree.Path("dst/"), SteppingClock(c.msPerFile));
    EXPECT_EQ(fractions, c.fractions);
}

INSTANTIATE_TEST_SUITE_P(
    Clock, CopyBackupReports,
    ::testing::Values(TReportCase{"EveryFileEndingWithOne", 5, 51, {0.0, 0.25, 0.5, 0.75, 1.0}},
                      TReportCase{"EverySecondFile", 7, 30, {1.0 / 6, 3.0 / 6, 5.0 / 6}},
                      // Exactly 50 ms after a report is not yet more than 50.
                      TReportCase{"FiftyIsNotMoreThanFifty", 7, 25, {2.0 / 6, 5.0 / 6}},
                      TReportCase{"SingleFileReportsOne", 1, 100, {1.0}}),
    [](const ::testing::TestParamInfo<TReportCase>& info) { return std::string(info.param.name); });

TEST(CopyBackup, StopsAtOnceWhenAsked) {
    TTempTree tree;
    const auto files = MakeFiles(tree, 6);
    int calls = 0;
    TTask task;
    bool abort = false;
    CopyBackup(
        task, files, static_cast<int>(tree.Path("src/").size()), abort, [&](double) { return ++calls == 2; },
        tree.Path("dst/"), SteppingClock(60));
    EXPECT_TRUE(abort);
    EXPECT_EQ(calls, 2);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::filesystem::exists(tree.Path("dst/f" + std::to_string(i))), i < 2) << i;
}

TEST(CopyBackup, CountsFilesThatCouldNotBeBackedUp) {
    TTempTree tree;
    const std::string good = tree.Write("src/good.txt", "ok");
    const std::string vanished = tree.Write("src/vanished.txt");
    ::mkfifo(tree.Path("src/fifo").c_str(), 0644);
    ::symlink(tree.Path("nowhere").c_str(), tree.Path("src/dangling").c_str());
    const std::string blocked = tree.Write("src/blocked/f.txt");
    const std::vector<std::string> files = SelectFiles(tree.Path("src"), "*", "", true);
    ASSERT_EQ(files.size(), 5u);
    std::filesystem::remove(vanished); // removed between selection and copy
    tree.Write("dst/blocked", "a file where a directory must go");

    TTask task;
    bool abort = false;
    const TRunReport report =
        CopyBackup(task, files, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/"));
    EXPECT_EQ(report.FailedCount, 4);
    std::vector<std::string> failed = report.FailedPaths;
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, (std::vector<std::string>{blocked, tree.Path("src/dangling"), tree.Path("src/fifo"),
                                                vanished}));
    EXPECT_EQ(ReadText(tree.Path("dst/good.txt")), "ok");
}

std::vector<std::string> TemporariesBelow(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (IsCopyTemporaryName(e.path().filename().string()))
            found.push_back(e.path().string());
    return found;
}

TEST(CopyBackup, NextRunRemovesStaleTemporariesAndNothingElse) {
    TTempTree tree;
    const std::string a = tree.Write("src/sub/a.txt", "A");
    const std::string stale = tree.Write("dst/sub/.korvel-tmp-Ab3xY9", "left by a killed run");
    std::vector<std::string> kept{
        tree.Write("dst/sub/.korvel-tmp-Ab3xY", "too short"),
        tree.Write("dst/sub/.korvel-tmp-Ab3xY99", "too long"),
        tree.Write("dst/sub/.korvel-tmp-Ab-xY9", "not from the temporary alphabet"),
        tree.Write("dst/sub/korvel-tmp-Ab3xY9", "no leading dot"),
        tree.Write("dst/sub/.korvel-tmp-dir123/inside", "a directory of that name"),
        tree.Write("dst/other/.korvel-tmp-Zz9zz9", "in a directory this run does not write to"),
    };
    const std::string held = tree.Write("dst/sub/.korvel-tmp-Hh1hh1", "a copy still in progress");
    kept.push_back(held);
    const std::string linked = tree.Write("linked.txt", "reached through a link");
    kept.push_back(linked);
    ::symlink(linked.c_str(), tree.Path("dst/sub/.korvel-tmp-Ln1nk2").c_str());
    kept.push_back(tree.Path("dst/sub/.korvel-tmp-Ln1nk2"));
    ::link(linked.c_str(), tree.Path("dst/sub/.korvel-tmp-Hl1nk2").c_str());
    kept.push_back(tree.Path("dst/sub/.korvel-tmp-Hl1nk2"));

    // A running copy holds a lock on its temporary until the rename.
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    TTask task;
    bool abort = false;
    EXPECT_TRUE(
        CopyBackup(task, {a}, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/")).Ok());
    ::close(holder);

    EXPECT_EQ(ReadText(tree.Path("dst/sub/a.txt")), "A");
    EXPECT_FALSE(std::filesystem::exists(stale));
    for (const std::string& path : kept)
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path))) << path;
    EXPECT_EQ(ReadText(linked), "reached through a link");
}

// A copy that runs out of room (here the file-size limit, which fails writes
// with EFBIG as a full disk fails them with ENOSPC) must leave the old copy.
TEST(CopyBackup, CopyThatRunsOutOfRoomKeepsTheOldCopy) {
    TTempTree tree;
    const std::string small = tree.Write("src/small.txt", "new small");
    const std::string big = tree.Write("src/big.bin", std::string(256 * 1024, 'n'));
    for (const char* name : {"small.txt", "big.bin"}) {
        test::SetMTime(tree.Path("src/") + name, 1700000000);
        tree.Write(std::string("dst/") + name, std::string("old ") + name);
        test::SetMTime(tree.Path("dst/") + name, 1600000000);
    }
    const int root = static_cast<int>(tree.Path("src/").size());
    for (bool updateOnly : {false, true}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            TTask task;
            task.UpdateOnly = updateOnly;
            bool abort = false;
            const TRunReport report = CopyBackup(task, {big, small}, root, abort, {}, tree.Path("dst/"));
            ::_exit(report.FailedPaths == std::vector<std::string>{big} ? 0 : 10 + report.FailedCount);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0) << "the big file was not reported alone; incremental: " << updateOnly;
        EXPECT_EQ(ReadText(tree.Path("dst/big.bin")), "old big.bin") << updateOnly;
        EXPECT_EQ(ReadText(tree.Path("dst/small.txt")), "new small") << updateOnly;
        EXPECT_EQ(TemporariesBelow(tree.Path("dst")), std::vector<std::string>{}) << updateOnly;
    }
}

// Opening a FIFO waits for a writer and opening a device node talks to its driver,
// so no step of a copy backup may open one; inotify sees every open of the node.
TEST(CopyBackup, SpecialFilesAreReportedWithoutBeingOpened) {
    TTempTree tree;
    const std::string good = tree.Write("src/good.txt", "ok");
    std::vector<std::string> watched;
    ASSERT_EQ(::mkfifo(tree.Path("src/fifo").c_str(), 0644), 0);
    watched.push_back(tree.Path("src/fifo"));
    // A device node of our own when we may make one (the null device); otherwise a
    // link to /dev/null, which other processes open too and so is not watched.
    if (::mknod(tree.Path("device").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0)
        watched.push_back(tree.Path("device"));
    ::symlink(::access(tree.Path("device").c_str(), F_OK) == 0 ? tree.Path("device").c_str() : "/dev/null",
              tree.Path("src/device-link").c_str());
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tree.Path("src/socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // A FIFO where a copy goes: replacing it must not wait for a reader either.
    ::mkdir(tree.Path("dst").c_str(), 0755);
    ASSERT_EQ(::mkfifo(tree.Path("dst/good.txt").c_str(), 0644), 0);

    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify, 0);
    for (const std::string& path : watched)
        ASSERT_GE(::inotify_add_watch(inotify, path.c_str(), IN_OPEN), 0) << path;

    for (bool updateOnly : {false, true}) {
        const std::vector<std::string> files = SelectFiles(tree.Path("src"), "*", "", true);
        ASSERT_EQ(files.size(), 4u);
        TTask task;
        task.UpdateOnly = updateOnly;
        bool abort = false;
        const TRunReport report =
            CopyBackup(task, files, static_cast<int>(tree.Path("src/").size()), abort, {}, tree.Path("dst/"));
        std::vector<std::string> failed = report.FailedPaths;
        std::sort(failed.begin(), failed.end());
        EXPECT_EQ(failed, (std::vector<std::string>{tree.Path("src/device-link"), tree.Path("src/fifo"),
                                                    tree.Path("src/socket")}))
            << updateOnly;
    }
    EXPECT_EQ(ReadText(tree.Path("dst/good.txt")), "ok");
    alignas(inotify_event) char events[4096];
    EXPECT_LT(::read(inotify, events, sizeof events), 0) << "a special file was opened";
    ::close(inotify);
    ::close(sock);
}

TEST(RunReport, NamesTheCountAndTheFirstPaths) {
    TRunReport report;
    EXPECT_EQ(report.Message(), "");
    report.AddFailure("/a");
    EXPECT_EQ(report.Message(), "1 file could not be backed up:\n/a");
    report.AddFailure("/b");
    report.AddFailure("/c");
    EXPECT_EQ(report.Message(), "3 files could not be backed up:\n/a\n/b\n/c");
    for (int i = 0; i < 10; ++i)
        report.AddFailure("/more");
    EXPECT_EQ(report.FailedCount, 13);
    EXPECT_EQ(report.FailedPaths.size(), TRunReport::kMaxListedPaths);
    EXPECT_EQ(report.Message(), "13 files could not be backed up:\n/a\n/b\n/c\n/more\n/more\n...");
}

} // namespace
} // namespace korvel

#endif
