#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <system_error>
#include <unistd.h>

#include "platform/atomic_file.h"
#ifdef _WIN32
#include "platform/win32/wide.h"
#endif

using namespace korvel;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("korvel-atomic-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AtomicFileTest, FailureAtAnyPointLeavesTheOldFileAndNoTemporary) {
    const std::string path = (dir_ / "store.bin").string();
    SaveFileAtomically(path, "old contents");
    const std::string fresh(5000, 'n');
    for (std::size_t failAfter : {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{4999}}) {
        std::size_t written = 0;
        const WriteFn failing = [&](int fd, const char* data, std::size_t size) -> long {
            const std::size_t room = failAfter - written;
            if (room == 0) {
                errno = ENOSPC;
                return -1;
            }
            const std::size_t n = std::min(size, room);
            const long done = static_cast<long>(::write(fd, data, n));
            written += static_cast<std::size_t>(done);
            return done;
        };
        EXPECT_THROW(SaveFileAtomically(path, fresh, 0600, failing), std::system_error) << failAfter;
        EXPECT_EQ(Slurp(path), "old contents") << failAfter;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << failAfter;
    }
    SaveFileAtomically(path, fresh);
    EXPECT_EQ(Slurp(path), fresh);
}

TEST_F(AtomicFileTest, ErrorsCarryTheSystemText) {
    try {
        SaveFileAtomically((dir_ / "missing" / "x.bin").string(), "x");
        FAIL() << "no exception";
    } catch (const std::system_error& e) {
#ifdef _WIN32
        const std::string text = win32::ErrorText(ERROR_PATH_NOT_FOUND);
#else
        const std::string text = "No such file or directory";
#endif
        EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
}
