// A disk that fills up at any byte of a write: the archive being updated stays as
// it was and no temporary archive is left behind. The limit is the kernel's own
// file-size limit in a child process, so the engine meets a real failing write.

#ifdef _WIN32

#include <gtest/gtest.h>

TEST(UpdateFaultTest, NotOnWindows) {
    GTEST_SKIP() << "the full disk is the kernel's file-size limit in a forked child, and Windows has "
                    "neither fork() nor that limit";
}

#else

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::ReadAll;

enum EChildResult { kReturned = 0, kEngineError = 1, kOtherError = 2 };

// Runs `body` in a child whose files cannot grow past `limit` bytes.
int RunWithFileSizeLimit(rlim_t limit, const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        const rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
        int result = kReturned;
        try {
            body();
        } catch (const EZipException&) {
            result = kEngineError;
        } catch (const EStreamError&) {
            result = kEngineError;
        } catch (const EFCreateError&) {
            result = kEngineError;
        } catch (...) {
            result = kOtherError;
        }
        ::_exit(result);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

class UpdateFaultTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        std::filesystem::create_directories(P("tmp"));
        zip_ = P("out/old.zip");
        std::filesystem::create_directories(P("out"));
        const std::string a = File("src/a.txt", test::TextLike(300, 1));
        const std::string b = File("src/b.txt", test::RandomBytes(200, 2));
        TZipWriter w;
        Configure(w);
        w.FilesList() = {a, b};
        ASSERT_EQ(w.Zip(), 2);
        fresh_ = {File("src/c.txt", test::TextLike(400, 3)), File("src/d.bin", test::RandomBytes(150, 4))};
    }
    void Configure(TZipWriter& w) const {
        w.SetZipName(zip_);
        w.SetTempPath(P("tmp/"));
        w.SetDoProcessMessages(false);
        w.SetPackLevel(6);
    }
    std::string zip_;
    std::vector<std::string> fresh_;
};

TEST_F(UpdateFaultTest, FailingAtEveryByteLeavesTheOldArchiveAndNoTemporary) {
    const std::string old = ReadAll(zip_);
    const auto update = [this] {
        TZipWriter w;
        Configure(w);
        w.FilesList() = fresh_;
        w.Zip();
    };
    // How big the updated archive becomes, from a copy.
    const std::string copy = P("copy/old.zip");
    std::filesystem::create_directories(P("copy"));
    std::filesystem::copy_file(zip_, copy);
    {
        TZipWriter w;
        Configure(w);
        w.SetZipName(copy);
        w.FilesList() = fresh_;
        ASSERT_EQ(w.Zip(), 2);
    }
    const std::size_t full = ReadAll(copy).size();
    ASSERT_GT(full, old.size());

    for (std::size_t limit = 0; limit < full; ++limit) {
        const int result = RunWithFileSizeLimit(limit, update);
        ASSERT_EQ(result, kEngineError) << "limit " << limit;
        ASSERT_EQ(ReadAll(zip_), old) << "limit " << limit;
        ASSERT_TRUE(std::filesystem::is_empty(P("tmp"))) << "limit " << limit << ": a temporary was left";
    }
    EXPECT_EQ(RunWithFileSizeLimit(full, update), kReturned);
    EXPECT_EQ(ReadAll(zip_), ReadAll(copy));
    EXPECT_EQ(test::PeerVerdicts(zip_), "");
}

TEST_F(UpdateFaultTest, FailingNewArchiveLeavesNoPartialArchive) {
    const std::string target = P("out/new.zip");
    const auto create = [this, &target] {
        TZipWriter w;
        Configure(w);
        w.SetZipName(target);
        w.FilesList() = fresh_;
        w.Zip();
    };
    ASSERT_EQ(RunWithFileSizeLimit(RLIM_INFINITY, create), kReturned);
    const std::size_t full = ReadAll(target).size();
    std::filesystem::remove(target);

    for (std::size_t limit = 0; limit < full; limit += 3) {
        const int result = RunWithFileSizeLimit(limit, create);
        ASSERT_EQ(result, kEngineError) << "limit " << limit;
        ASSERT_FALSE(std::filesystem::exists(target)) << "limit " << limit << ": a partial archive was left";
        ASSERT_TRUE(std::filesystem::is_empty(P("tmp"))) << "limit " << limit;
    }
}

} // namespace
} // namespace korvel

#endif
