// A program killed while it brings a large archive up to date must leave the old
// archive or the complete new one, never a mixture. Labelled slow: a 200 MB archive
// is updated and killed a hundred times.

#ifdef _WIN32

#include <gtest/gtest.h>

TEST(UpdateCrashTest, NotOnWindows) {
    GTEST_SKIP() << "the updates run in forked children killed with POSIX signals, and Windows has neither "
                    "fork() nor signals";
}

#else

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "archive/zip_names.h"
#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct TFileDigest {
    std::uint64_t size = 0;
    unsigned long crc = 0;
    bool operator==(const TFileDigest&) const = default;
};

TFileDigest DigestOf(const std::string& path) {
    TFileDigest d;
    d.crc = ::crc32(0L, Z_NULL, 0);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buf(1 << 20);
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        d.crc = ::crc32(d.crc, reinterpret_cast<const Bytef*>(buf.data()), static_cast<uInt>(n));
        d.size += n;
    }
    return d;
}

void WriteRandomFile(const std::string& path, std::size_t size, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t done = 0; done < size;) {
        for (auto& v : block)
            v = rng();
        const std::size_t n = std::min(size - done, block.size() * sizeof(std::uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        done += n;
    }
}

class UpdateCrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The kill loses what the process held, not what the kernel holds; memory keeps
        // a hundred copies of 200 MB quick.
        const fs::path base =
            ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir_ = (base / ("korvel-update-crash-" + std::to_string(std::random_device{}()))).string() + "/";
        fs::create_directories(dir_ + "src");
        fs::create_directories(dir_ + "tmp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Configure(TZipWriter& w) const {
        w.SetZipName(dir_ + "big.zip");
        w.SetTempPath(dir_ + "tmp/");
        w.SetDoProcessMessages(false);
        w.SetPackLevel(0);
    }

    // Adds `file` to the archive in a child; kills the child after `delay` unless it
    // finished first. Returns true when the child finished by itself.
    bool UpdateInChild(const std::string& file, std::chrono::microseconds delay) {
        const pid_t child = ::fork();
        if (child == 0) {
            int result = 0;
            try {
                TZipWriter w;
                Configure(w);
                w.FilesList() = {file};
                w.Zip();
            } catch (...) {
                result = 1;
            }
            ::_exit(result);
        }
        const auto deadline = std::chrono::steady_clock::now() + delay;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(child, &status, WNOHANG) == child)
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::size_t EntryCount() const {
        TZipReader r;
        r.SetZipName(dir_ + "big.zip");
        r.SetDoProcessMessages(false);
        r.SetIncompleteZipMode(izAssumeNotAZip);
        r.ReadDirectory();
        return r.Count();
    }

    std::string dir_;
};

TEST_F(UpdateCrashTest, KilledUpdatesLeaveTheOldOrTheNewCompleteArchive) {
    constexpr std::size_t kPart = 50u << 20;
    std::vector<std::string> parts;
    for (int i = 0; i < 4; ++i) {
        parts.push_back(dir_ + "src/part" + std::to_string(i) + ".bin");
        WriteRandomFile(parts.back(), kPart, static_cast<std::uint64_t>(i + 1));
    }
    {
        TZipWriter w;
        Configure(w);
        w.FilesList() = parts;
        ASSERT_EQ(w.Zip(), 4);
    }
    for (const auto& p : parts)
        fs::remove(p);

    // How long one whole update takes here, so that the kills spread over all of it.
    const std::string probe = dir_ + "src/probe.txt";
    test::WriteAll(probe, "probe");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(UpdateInChild(probe, std::chrono::minutes(5)));
    const auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("update_microseconds", std::to_string(whole.count()));

    const unsigned seed = std::random_device{}();
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 rng(seed);
    std::size_t entries = EntryCount();
    ASSERT_EQ(entries, 5u);
    TFileDigest digest = DigestOf(dir_ + "big.zip");
    int completed = 0, temporariesLeft = 0;
    for (int round = 0; round < 100; ++round) {
        const std::string name = "added" + std::to_string(round) + ".txt";
        const std::string file = dir_ + "src/" + name;
        test::WriteAll(file, "round " + std::to_string(round));
        const auto delay = std::chrono::microseconds(rng() % (whole.count() * 6 / 5 + 1));
        UpdateInChild(file, delay);

        const TFileDigest now = DigestOf(dir_ + "big.zip");
        if (!(now == digest)) {
            // Not the old archive: it must be the whole new one.
            ++completed;
            std::size_t count = 0;
            ASSERT_NO_THROW(count = EntryCount()) << "round " << round;
            EXPECT_EQ(count, entries + 1) << "round " << round;
            std::string output;
            ASSERT_EQ(test::Run("unzip -tqq " + test::Q(dir_ + "big.zip"), &output), 0)
                << "round " << round << ": " << output;
            ++entries;
            digest = now;
        }
        for (const auto& e : fs::directory_iterator(dir_ + "tmp")) {
            ++temporariesLeft;
            fs::remove(e.path());
        }
        fs::remove(file);
    }
    RecordProperty("completed", std::to_string(completed));
    RecordProperty("temporaries_left", std::to_string(temporariesLeft));
}

} // namespace
} // namespace korvel

#endif
