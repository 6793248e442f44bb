// Updating existing archives through a temporary archive.

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::ExtractEntries;
using test::PeerVerdicts;
using test::ReadAll;
using test::SetMTime;

constexpr std::int64_t kBase = 1700000000; // an even second

class UpdateTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        a_ = File("src/a.txt", test::TextLike(20000, 1));
        b_ = File("src/b.txt", test::TextLike(20000, 2));
        c_ = File("src/c.txt", "c");
        for (const auto& f : {a_, b_, c_})
            SetMTime(f, kBase);
        zip_ = P("u.zip");
        Configure(w_);
        w_.FilesList() = {a_, b_, c_};
        ASSERT_EQ(w_.Zip(), 3);
    }
    void Configure(TZipWriter& w) {
        w.SetZipName(zip_);
        w.SetStorePaths(true);
        w.SetRelativePaths(true);
        w.SetRootDir(P("src/"));
        w.SetTempPath(P("tmp/"));
        std::filesystem::create_directories(P("tmp/"));
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : ExtractEntries(zip_))
            names.push_back(name);
        return names;
    }
    bool TempDirEmpty() { return std::filesystem::is_empty(P("tmp/")); }

    TZipWriter w_;
    std::string a_, b_, c_, zip_;
};

TEST_F(UpdateTest, NothingChangedCarriesEveryEntryOverUnchanged) {
    const std::string before = ReadAll(zip_);
    const TFileId id = FileIdOf(zip_);
    int ends = 0;
    TZipWriter w; // a fresh object reads the archive from the file
    Configure(w);
    w.OnEndZip = [&](TZipWriter&, const std::string&, std::uint64_t, std::uint64_t, std::uint64_t) {
        ++ends;
    };
    w.FilesList() = {a_, b_, c_};
    EXPECT_EQ(w.Zip(), 0);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(ReadAll(zip_), before);
    EXPECT_TRUE(FileIdOf(zip_) == id) << "nothing to do: the archive is not even rewritten";
    EXPECT_TRUE(TempDirEmpty());
    // The same object again, now working from its cached directory.
    w.FilesList() = {a_, b_, c_};
    EXPECT_EQ(w.Zip(), 0);
    EXPECT_EQ(ReadAll(zip_), before);
}

TEST_F(UpdateTest, NewerFileReplacesItsEntryInPlaceAndNewFilesFollow) {
    test::WriteAll(b_, "new b");
    SetMTime(b_, kBase + 10);
    const std::string d = File("src/d.txt", "d");
    std::vector<std::string> ended;
    w_.OnEndZip = [&](TZipWriter&, const std::string& f, std::uint64_t, std::uint64_t, std::uint64_t) {
        ended.push_back(f);
    };
    w_.FilesList() = {d, a_, b_, c_};
    EXPECT_EQ(w_.Zip(), 2);
    EXPECT_EQ(ended, (std::vector<std::string>{b_, d}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(ExtractEntries(zip_)[1].second, "new b");
    EXPECT_EQ(PeerVerdicts(zip_), "");
    EXPECT_TRUE(TempDirEmpty());
}

TEST_F(UpdateTest, OneSecondNewerWithinTheSameTwoSecondStepIsNotReplaced) {
    SetMTime(a_, kBase + 1);
    w_.FilesList() = {a_};
    EXPECT_EQ(w_.Zip(), 0);
    SetMTime(a_, kBase + 2);
    w_.FilesList() = {a_};
    EXPECT_EQ(w_.Zip(), 1);
}

TEST_F(UpdateTest, ReplaceCompressesEveryListedFileAgainAndKeepsTheOthers) {
    w_.SetZipAction(zaReplace);
    w_.FilesList() = {a_, c_};
    EXPECT_EQ(w_.Zip(), 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(PeerVerdicts(zip_), "");
}

TEST_F(UpdateTest, FreshenUpdatesOnlyWhatTheArchiveHolds) {
    SetMTime(a_, kBase + 100);
    const std::string d = File("src/d.txt", "d");
    std::vector<TSkipReason> reasons;
    w_.OnSkippingFile = [&](TZipWriter&, TSkipReason r, const std::string&, int, bool&) {
        reasons.push_back(r);
    };
    w_.SetZipAction(zaFreshen);
    w_.FilesList() = {a_, d};
    EXPECT_EQ(w_.Zip(), 1);
    EXPECT_EQ(reasons, std::vector<TSkipReason>{srNoFileToFreshen});
    EXPECT_EQ(Names().size(), 3u);
}

TEST_F(UpdateTest, CancelledUpdateLeavesTheOldArchiveAndNoTemporaryFile) {
    const std::string before = ReadAll(zip_);
    SetMTime(a_, kBase + 100);
    SetMTime(b_, kBase + 100);
    w_.OnEndZip = [](TZipWriter& z, const std::string&, std::uint64_t, std::uint64_t, std::uint64_t) {
        z.CancelOperation();
    };
    w_.FilesList() = {a_, b_};
    EXPECT_THROW(w_.Zip(), EUserCanceled);
    EXPECT_EQ(ReadAll(zip_), before);
    EXPECT_TRUE(TempDirEmpty());
}

TEST_F(UpdateTest, DamagedOldArchiveFailsBeforeAnythingIsWritten) {
    const std::string damaged = ReadAll(zip_).substr(0, 100);
    test::WriteAll(zip_, damaged);
    w_.FilesList() = {a_};
    try {
        w_.Zip();
        FAIL();
    } catch (const EIncompleteZip& e) {
        EXPECT_STREQ(e.what(), "Incomplete Zip File");
    }
    EXPECT_EQ(ReadAll(zip_), damaged);
    EXPECT_TRUE(TempDirEmpty());
}

TEST_F(UpdateTest, MissingTempPathFallsBackToTheSystemTemporaryDirectory) {
    const std::string sysTmp = P("systmp/");
    std::filesystem::create_directories(sysTmp);
#ifdef _WIN32
    const std::string variable = "TMP"; // GetTempPath's first choice
#else
    const std::string variable = "TMPDIR";
#endif
    const char* old = std::getenv(variable.c_str());
    const std::string saved = old ? old : "";
    test::SetEnv(variable, sysTmp);
    w_.SetTempPath(P("no-such-dir/"));
    SetMTime(a_, kBase + 100);
    w_.FilesList() = {a_};
    EXPECT_EQ(w_.Zip(), 1);
    if (old)
        test::SetEnv(variable, saved);
    else
        test::UnsetEnv(variable);
    EXPECT_TRUE(std::filesystem::is_empty(sysTmp));
    EXPECT_EQ(PeerVerdicts(zip_), "");
}

TEST_F(UpdateTest, TemporaryArchiveOnAnotherFileSystemIsCopiedBesideTheTarget) {
    SKIP_ON_WINDOWS("the other file system is the tmpfs of /dev/shm, and the modes kept are POSIX ones");
    if (!std::filesystem::is_directory("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm, the other file system, here";
    const std::string shm = "/dev/shm/korvel-archive-test-" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(shm);
    ::chmod(zip_.c_str(), 0640);
    w_.SetTempPath(shm);
    SetMTime(a_, kBase + 100);
    w_.FilesList() = {a_};
    EXPECT_EQ(w_.Zip(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(shm));
    std::filesystem::remove_all(shm);
    EXPECT_EQ(PeerVerdicts(zip_), "");
    // Nothing but the archive beside it, and its permissions kept.
    int beside = 0;
    for (const auto& e : std::filesystem::directory_iterator(P("")))
        beside += e.path().filename().string().find("ZQT") != std::string::npos;
    EXPECT_EQ(beside, 0);
    struct stat st {};
    ::stat(zip_.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(UpdateTest, EntryWithDataDescriptorIsRewrittenWithoutIt) {
    SKIP_ON_WINDOWS("python's zipfile writes the streamed archive, and no python runs on Windows");
    // Streamed by python: every entry has flag bit 3 and a data descriptor.
    std::string out;
    ASSERT_EQ(test::Run("cd " + test::Q(P("src")) +
                            " && python3 -c \"import "
                            "zipfile,sys\nz=zipfile.ZipFile(sys.stdout.buffer,'w',8)\nz.write('a.txt')\nz."
                            "close()\" | cat > " +
                            test::Q(zip_),
                        &out),
              0)
        << out;
    TZipWriter w;
    Configure(w);
    w.FilesList() = {a_};
    EXPECT_EQ(w.Zip(), 0);
    const std::string b = ReadAll(zip_);
    EXPECT_EQ(test::U16At(b, 6) & 8, 0);
    EXPECT_EQ(test::U32At(b, 18), test::U32At(b, b.find(std::string("PK\x01\x02", 4)) + 20));
    EXPECT_EQ(PeerVerdicts(zip_), "");
}

TEST_F(UpdateTest, ZeroByteArchiveIsUpdatedLikeAnEmptyOne) {
    test::WriteAll(zip_, "");
    w_.FilesList() = {a_, b_};
    EXPECT_EQ(w_.Zip(), 2);
    EXPECT_EQ(PeerVerdicts(zip_), "");
}

TEST_F(UpdateTest, ArchiveCommentAndDirectoryEntriesSurvive) {
#ifdef _WIN32
    // No python runs on Windows: the comment goes into the end record (the last record,
    // its length the last field) by hand.
    std::string bytes = ReadAll(zip_);
    const std::string comment = "keep me";
    bytes[bytes.size() - 2] = static_cast<char>(comment.size());
    test::WriteAll(zip_, bytes + comment);
#else
    std::string out;
    ASSERT_EQ(test::Run("python3 -c \"import zipfile,sys;z=zipfile.ZipFile(sys.argv[1],'a');z.comment=b'keep "
                        "me';z.close()\" " +
                            test::Q(zip_),
                        &out),
              0)
        << out;
#endif
    std::filesystem::create_directories(P("src/dir"));
    w_.FilesList() = {P("src/dir/")};
    EXPECT_EQ(w_.Zip(), 1);
    TZipReader r;
    r.SetZipName(zip_);
    r.ReadDirectory();
    ASSERT_TRUE(r.EndCentral().Comment);
    EXPECT_EQ(*r.EndCentral().Comment, "keep me");
    EXPECT_EQ(r.Count(), 4u);
    EXPECT_EQ(r.Entry(3).FullName(), "dir\\");
    EXPECT_EQ(PeerVerdicts(zip_), "");
}

} // namespace
} // namespace korvel
