#include <algorithm>
#include <filesystem>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "archive_fixture.h"
#include "engine/archive_name.h"
#include "engine/data_module.h"
#include "engine/run_task.h"
#include "platform/date_time.h"
#include "tasks/task.h"

using namespace korvel;
using namespace korvel::test;
namespace fs = std::filesystem;

namespace {

// Relative path -> bytes of every file below `root`.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(FsPath(root)))
        if (e.is_regular_file())
            files[GenericUtf8(fs::relative(e.path(), FsPath(root)))] = ReadAll(Utf8(e.path()));
    return files;
}

std::map<std::string, std::string> AsMap(const std::vector<std::pair<std::string, std::string>>& entries) {
    return {entries.begin(), entries.end()};
}

} // namespace

class ZipBackupTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        File("src/docs/report.txt", TextLike(200000));
        File("src/docs/notes with space.txt", "notes");
        File("src/photos/raw.bin", RandomBytes(70000));
        File("src/photos/empty.dat", "");
        File("src/Ёлка.txt", "Cyrillic name");
        hooks_.MessageBox = [this](const std::string& text, const std::string&, MsgButtons) {
            boxes_.push_back(text);
            return MsgResult::Ok;
        };
        hooks_.ArchiveStep = [this](TTask& task, const std::vector<std::string>& files, int rootLength,
                                    bool& abort, const ProgressFn& progress, const std::string& target,
                                    TRunReport& report) {
            return module_.ZipBackup(task, files, rootLength, abort, progress, target, report);
        };
        module_.MessageBox = hooks_.MessageBox;
        module_.StubPath = KORVEL_SFX_STUB;
        task_.SourceDirs = {P("src") + "/"};
        task_.IncludeSubDirs = true;
        task_.DestDir = P("out") + "/";
        task_.ZipFileName = "backup.zip";
    }

    // Runs the task as the run loop does; returns the archive path.
    std::string RunIt(const ProgressFn& progress = [](double) { return false; }) {
        PrepareArchiveName(task_, hooks_);
        bool abort = false;
        RunTask(task_, abort, progress, hooks_);
        aborted_ = abort;
        return task_.RunZipFileName;
    }

    // Enough data that the run is still writing when the first progress report comes
    // (reports come at most every 50 ms), and a user who stops at that report.
    void RunStoppedByTheUser() {
        for (int i = 0; i < 40; ++i)
            File("src/more/f" + std::to_string(i) + ".bin", RandomBytes(512 * 1024, i));
        RunIt([](double) {
            SleepMs(60);
            return true;
        });
    }

    TTask task_;
    TDataModule1 module_;
    TRunHooks hooks_;
    std::vector<std::string> boxes_;
    bool aborted_ = false;
};

TEST_F(ZipBackupTest, ZipArchiveOfATreeIsAcceptedByEveryPeer) {
    for (int level : {0, 1, 5, 9}) {
        SCOPED_TRACE(level);
        task_.CompressLevel = level;
        const std::string archive = RunIt();
        EXPECT_EQ(archive, P("out") + "/backup.zip");
        EXPECT_EQ(PeerVerdicts(archive), "");
        const auto entries = AsMap(ExtractEntries(archive));
        EXPECT_EQ(entries, Tree(P("src"))) << "entries are stored below the common root";
        EXPECT_TRUE(boxes_.empty());
    }
}

// A ":" in the name pattern is part of the archive's name on POSIX, not the end of
// a directory: the archive lands in DestDir itself and no "host:" directory appears.
TEST_F(ZipBackupTest, ColonInTheNamePatternStaysInTheArchiveName) {
    SKIP_ON_WINDOWS("\":\" cannot stand in a Windows file name");
    task_.ZipFileName = "host:%yyyy.zip";
    const std::string name = "host:" + std::to_string(Today().Year) + ".zip";
    const std::string archive = RunIt();
    EXPECT_EQ(archive, P("out") + "/" + name);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(P("out")))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{name});
    EXPECT_TRUE(fs::is_regular_file(archive));
    EXPECT_EQ(PeerVerdicts(archive), "");
    EXPECT_EQ(AsMap(ExtractEntries(archive)), Tree(P("src")));
}

TEST_F(ZipBackupTest, PasswordProtectedArchiveNeedsThePassword) {
    task_.ProtectArchive = true;
    task_.ProtectArchivePassword = "s3cret pass";
    const std::string archive = RunIt();
    EXPECT_EQ(PeerVerdicts(archive, "s3cret pass"), "");
    EXPECT_EQ(AsMap(ExtractEntries(archive, "s3cret pass")), Tree(P("src")));
    EXPECT_TRUE(ExtractEntries(archive, "wrong").empty());
    if (HaveTool("unzip")) {
        EXPECT_NE(test::Run("unzip -P wrong -t " + Q(archive)), 0);
    }

    // A password box ticked with an empty password writes no encryption.
    task_.ProtectArchivePassword = "";
    EXPECT_EQ(PeerVerdicts(RunIt()), "");
}

TEST_F(ZipBackupTest, IncrementalRunReplacesOnlyWhatChanged) {
    task_.UpdateOnly = true;
    const std::string archive = RunIt();
    int zipped = 0;
    module_.ZipWriter1.OnEndZip = [&](TZipWriter&, const std::string&, std::uint64_t, std::uint64_t,
                                      std::uint64_t) {
        ++zipped;
        module_.ZipWriter1EndZip();
    };
    RunIt();
    EXPECT_EQ(zipped, 0) << "nothing changed: every entry is carried over";

    File("src/docs/notes with space.txt", "edited notes");
    SetMTime(P("src/docs/notes with space.txt"), MTime(P("src/docs/report.txt")) + 10);
    File("src/new.txt", "new file");
    RunIt();
    EXPECT_EQ(zipped, 2);
    EXPECT_EQ(PeerVerdicts(archive), "");
    EXPECT_EQ(AsMap(ExtractEntries(archive)), Tree(P("src")));
}

TEST_F(ZipBackupTest, SelfExtractingArchiveExtractsTheSourceTree) {
    ASSERT_TRUE(fs::exists(KORVEL_SFX_STUB)) << "the self-extractor stub is built with the tests";
    task_.Sfx = true;
    task_.ZipFileName = "backup.exe";
    const std::string archive = RunIt();
    EXPECT_EQ(PeerVerdicts(archive), "");
    const std::string stub = ReadAll(KORVEL_SFX_STUB);
    EXPECT_EQ(ReadAll(archive).substr(0, stub.size()), stub);
#ifndef _WIN32
    // It runs as it is: written executable, as far as the umask allows.
    const mode_t mask = ::umask(022);
    EXPECT_EQ(fs::status(archive).permissions() & fs::perms::all,
              static_cast<fs::perms>(0777 & ~static_cast<unsigned>(mask)));
    ::umask(mask);
#endif
    std::string output;
    ASSERT_EQ(test::Run(Q(archive) + " -d " + Q(P("extracted")), &output), 0) << output;
    EXPECT_EQ(Tree(P("extracted")), Tree(P("src")));
}

TEST_F(ZipBackupTest, StoppedRunKeepsThePreviousArchiveAndLeavesNothingBehind) {
    const std::string archive = RunIt();
    const std::string before = ReadAll(archive);
    RunStoppedByTheUser();
    EXPECT_TRUE(aborted_);
    EXPECT_EQ(ReadAll(archive), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(P("out")), fs::directory_iterator()), 1);
}

TEST_F(ZipBackupTest, RotationHappensOnlyAfterASuccessfulRun) {
    task_.ZipFileName = "b_%nn.zip";
    task_.DeleteOldFiles = true;
    task_.DeleteOldFilesCount = 2;
    File("out/b_01.zip", "old one");
    File("out/b_02.zip", "old two");

    // A stopped run deletes nothing.
    RunStoppedByTheUser();
    EXPECT_TRUE(aborted_);
    EXPECT_TRUE(fs::exists(P("out/b_01.zip")));
    EXPECT_FALSE(fs::exists(P("out/b_03.zip")));

    const std::string archive = RunIt();
    EXPECT_EQ(archive, P("out") + "/b_03.zip");
    EXPECT_FALSE(fs::exists(P("out/b_01.zip")));
    EXPECT_TRUE(fs::exists(P("out/b_02.zip")));
    EXPECT_EQ(PeerVerdicts(archive), "");
}

TEST_F(ZipBackupTest, ArchiveThatCannotBeCreatedIsReported) {
    fs::create_directories(P("out/backup.zip")); // a directory stands where the archive should go
    RunIt();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Couldn't create the file \"" + P("out") + "/backup.zip\"");
    EXPECT_TRUE(fs::is_directory(P("out/backup.zip")));
    EXPECT_EQ(std::distance(fs::directory_iterator(P("out")), fs::directory_iterator()), 1);

    boxes_.clear();
    task_.ShowUnableToBackup = false;
    RunIt();
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ZipBackupTest, DestinationInsideTheSourceDoesNotArchiveItself) {
    task_.DestDir = P("src/backups") + "/";
    const std::string archive = RunIt();
    const std::string again = RunIt(); // the first archive now lies among the sources
    EXPECT_EQ(archive, again);
    for (const auto& [name, bytes] : ExtractEntries(archive))
        EXPECT_EQ(name.find("backups"), std::string::npos) << name;
    EXPECT_EQ(PeerVerdicts(archive), "");
}

TEST_F(ZipBackupTest, PipeAmongTheSourcesIsReportedAndNeverOpened) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs among the files: its named pipes live apart from the file system";
#else
    // Opening a FIFO for reading waits for a writer that never comes: the run must end.
    ASSERT_EQ(::mkfifo(P("src/docs/a pipe").c_str(), 0644), 0);
    const std::string archive = RunIt();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "1 file could not be backed up:\n" + P("src/docs/a pipe"));
    EXPECT_EQ(PeerVerdicts(archive), "");
    EXPECT_EQ(AsMap(ExtractEntries(archive)), Tree(P("src")));

    // Reported only for tasks that ask for it, like every file that cannot be backed up.
    boxes_.clear();
    task_.ShowUnableToBackup = false;
    EXPECT_EQ(PeerVerdicts(RunIt()), "");
    EXPECT_TRUE(boxes_.empty());
#endif
}

TEST_F(ZipBackupTest, BackslashInAFileNameNeverMergesItWithAnotherFile) {
    SKIP_ON_WINDOWS("on Windows \"\\\" separates directories, so no file name holds one");
    // On this system "x\\y.txt" is one file beside the directory x; stored, the
    // backslash would make it x/y.txt, the name of the other file.
    File("src/x/y.txt", "the real x/y.txt");
    File("src/x\\y.txt", "a file whose name holds a backslash");
    const std::string archive = RunIt();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "1 file could not be backed up:\n" + P("src/x\\y.txt"));
    EXPECT_EQ(PeerVerdicts(archive), "");
    auto expected = Tree(P("src"));
    expected.erase("x\\y.txt");
    EXPECT_EQ(AsMap(ExtractEntries(archive)), expected);
    EXPECT_EQ(AsMap(ExtractEntries(archive)).at("x/y.txt"), "the real x/y.txt");
}
