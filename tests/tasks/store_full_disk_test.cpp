// A really full file system, not a simulated one: the stores sit on a tiny tmpfs
// that a filler file has used up.

#ifdef _WIN32

#include <gtest/gtest.h>

TEST(StoreFullDiskTest, NotOnWindows) {
    GTEST_SKIP() << "the full disk is a tiny tmpfs mounted for the test, which Windows cannot mount";
}

#else

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/mount.h>
#include <unistd.h>

#include "store_fixture.h"
#include "store_samples.h"
#include "tasks/tasks_u.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// Writes to `path` until the file system refuses; returns the errno that stopped it.
int FillUp(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return errno;
    const std::string block(4096, 'f');
    int err = 0;
    for (std::size_t size : {block.size(), std::size_t{1}}) {
        for (;;) {
            const ssize_t n = ::write(fd, block.data(), size);
            if (n <= 0) {
                err = n < 0 ? errno : ENOSPC;
                break;
            }
        }
    }
    ::close(fd);
    return err;
}

} // namespace

class StoreFullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small tmpfs needs root; the full-disk case is not tested here";
        dir_ = fs::temp_directory_path() / ("korvel-full-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        if (::mount("tmpfs", dir_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0) {
            const int err = errno;
            fs::remove_all(dir_);
            GTEST_SKIP() << "cannot mount a 64 KiB tmpfs on " << dir_ << " (" << std::strerror(err)
                         << "); the full-disk case is not tested here";
        }
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_)
            ::umount2(dir_.c_str(), MNT_DETACH);
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    std::string Dir() const { return dir_.string() + "/"; }
    std::string Bytes(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
    bool mounted_ = false;
};

TEST_F(StoreFullDiskTest, SavesOnAFullDiskFailWithTheSystemTextAndKeepTheOldStores) {
    {
        TTasksList old(Dir());
        FillTasks(old, 2, "old");
        FillHistory(old, 2, 1, "old");
        ASSERT_TRUE(old.SaveTasks());
        ASSERT_TRUE(old.SaveHistory());
        std::string error;
        ASSERT_TRUE(SaveOptions({true, true}, Dir(), error)) << error;
    }
    const std::string oldTasks = Bytes("tasks.bin");
    const std::string oldHistory = Bytes("history.bin");
    const std::string oldOptions = Bytes("options.bin");

    ASSERT_EQ(FillUp((dir_ / "filler").string()), ENOSPC);
    const std::set<std::string> filesWhenFull = Files();

    TTasksList fresh(Dir());
    std::vector<std::string> errors;
    fresh.OnStoreError = [&errors](const std::string& m) { errors.push_back(m); };
    FillTasks(fresh, 40, "new");
    FillHistory(fresh, 50, 5, "new");
    EXPECT_FALSE(fresh.SaveTasks());
    EXPECT_TRUE(fresh.Modified);
    EXPECT_FALSE(fresh.SaveHistory());
    EXPECT_TRUE(fresh.HistoryModified);
    std::string optionsError;
    EXPECT_FALSE(SaveOptions({false, true}, Dir(), optionsError));
    errors.push_back(optionsError);

    ASSERT_EQ(errors.size(), 3u);
    for (const std::string& e : errors)
        EXPECT_NE(e.find(std::strerror(ENOSPC)), std::string::npos) << e;
    EXPECT_EQ(Bytes("tasks.bin"), oldTasks);
    EXPECT_EQ(Bytes("history.bin"), oldHistory);
    EXPECT_EQ(Bytes("options.bin"), oldOptions);
    EXPECT_EQ(Files(), filesWhenFull) << "a temporary file was left on the full disk";

    // Once there is room again the same saves go through.
    fs::remove(dir_ / "filler");
    EXPECT_TRUE(fresh.SaveTasks());
    EXPECT_TRUE(fresh.SaveHistory());
    EXPECT_TRUE(SaveOptions({false, true}, Dir(), optionsError)) << optionsError;
    TTasksList loaded(Dir());
    ASSERT_TRUE(loaded.LoadTasks());
    ASSERT_TRUE(loaded.LoadHistory());
    EXPECT_EQ(loaded.Count(), fresh.Count());
    EXPECT_EQ(loaded.HistoryCount, 50);
    EXPECT_EQ(LoadOptions(Dir()).Language, false);
}

#endif
