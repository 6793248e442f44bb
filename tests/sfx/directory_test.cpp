// Finding and reading the appended archive's directory: Zip64 records, the
// comment window, and archives whose numbers lie about sizes and offsets.

#include "sfx/archive_file.h"
#include "sfx/dos_time.h"
#include "sfx/sfx_run.h"
#include "sfx/zip_directory.h"
#include "sfx_fixture.h"

#include <gtest/gtest.h>

#include <random>

namespace korvel::sfx::test {
namespace {

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("python3")) {
            GTEST_SKIP() << "python3 not installed";
        }
    }

    // A plain archive of three entries (deflated, stored, a directory) as "a.zip".
    std::string SmallZip() {
        RunPython("import zipfile\n"
                  "z = zipfile.ZipFile('a.zip', 'w')\n"
                  "i = zipfile.ZipInfo('d/deflated.txt', (2020, 1, 2, 3, 4, 6))\n"
                  "z.writestr(i, b'compressible ' * 400, zipfile.ZIP_DEFLATED)\n"
                  "z.writestr(zipfile.ZipInfo('stored.bin', (2020, 1, 2, 3, 4, 6)), bytes(range(256)))\n"
                  "z.writestr(zipfile.ZipInfo('emptydir/', (2020, 1, 2, 3, 4, 6)), b'')\n"
                  "z.close()\n",
                  scratch_.Path());
        return ReadFile(scratch_ / "a.zip");
    }

    // Runs the extractor in this process on `bytes` written as a file.
    int ExtractInProcess(const std::string& bytes, const fs::path& target, std::string* errors = nullptr,
                         std::optional<std::string> password = std::nullopt) {
        const fs::path file = scratch_ / "in.zip";
        WriteFile(file, bytes);
        TSfxOptions options;
        options.archivePath = file.string();
        options.archiveName = file.string();
        options.targetDir = target.string();
        options.quiet = true;
        options.password = password;
        std::FILE* out = std::fopen("/dev/null", "w");
        std::FILE* err = std::tmpfile();
        const int status = RunSfx(options, nullptr, out, err);
        if (errors) {
            std::rewind(err);
            char buffer[4096];
            errors->clear();
            while (std::size_t n = std::fread(buffer, 1, sizeof buffer, err)) {
                errors->append(buffer, n);
            }
        }
        std::fclose(out);
        std::fclose(err);
        return status;
    }

    static void PutU32(std::string& bytes, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(v >> (8 * i));
        }
    }
    static void PutU16(std::string& bytes, std::size_t at, std::uint16_t v) {
        bytes[at] = static_cast<char>(v);
        bytes[at + 1] = static_cast<char>(v >> 8);
    }

    TScratch scratch_;
};

TEST_F(DirectoryTest, Zip64RecordsAreFollowed) {
    // python writes Zip64 end records and Zip64 extra blocks once its limits are lowered;
    // appending to the stub ("a" mode on a non-archive) counts offsets from the file's start.
    RunPython(
        "import zipfile, shutil\n"
        "zipfile.ZIP_FILECOUNT_LIMIT = 1\n"
        "zipfile.ZIP64_LIMIT = 4\n"
        "shutil.copy('" +
            StubPath().string() +
            "', 'z.exe')\n"
            "z = zipfile.ZipFile('z.exe', 'a', zipfile.ZIP_DEFLATED)\n"
            "for n in range(3):\n"
            "    z.writestr(zipfile.ZipInfo('f%d.txt' % n, (2020, 1, 1, 0, 0, 0)), b'data %d ' % n * 50)\n"
            "z.close()\n",
        scratch_.Path());
    const std::string bytes = ReadFile(scratch_ / "z.exe");
    ASSERT_NE(bytes.find(std::string("PK\x06\x07", 4), bytes.size() - 200), std::string::npos)
        << "no Zip64 locator";
    const TArchiveFile file((scratch_ / "z.exe").string());
    const TSfxDirectory directory = ReadDirectory(file);
    ASSERT_EQ(directory.entries.size(), 3u);
    EXPECT_GT(directory.entries[0].localHeaderOffset, fs::file_size(StubPath()) - 1);

    fs::permissions(scratch_ / "z.exe", fs::perms::owner_all, fs::perm_options::add);
    const TRunResult r =
        RunShell(Quote(scratch_ / "z.exe") + " -q -d " + Quote(scratch_ / "out"), scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(scratch_ / "out/f2.txt").size(), 350u);
}

TEST_F(DirectoryTest, Zip64ArchiveWithUnadjustedOffsets) {
    RunPython("import zipfile\n"
              "zipfile.ZIP_FILECOUNT_LIMIT = 1\n"
              "zipfile.ZIP64_LIMIT = 4\n"
              "z = zipfile.ZipFile('z.zip', 'w', zipfile.ZIP_DEFLATED)\n"
              "for n in range(3):\n"
              "    z.writestr('f%d.txt' % n, b'data %d ' % n * 50)\n"
              "z.close()\n",
              scratch_.Path());
    const fs::path exe = MakeSfx(scratch_ / "z.zip", scratch_ / "z.exe", /*adjust=*/false);
    const TRunResult r = RunShell(Quote(exe) + " -q -d " + Quote(scratch_ / "out"), scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(scratch_ / "out/f1.txt").size(), 350u);
}

TEST_F(DirectoryTest, LongestCommentIsWithinReachOneByteMoreIsNot) {
    RunPython("import zipfile\n"
              "z = zipfile.ZipFile('c.zip', 'w')\n"
              "z.writestr('a.txt', b'a')\n"
              "z.comment = b'c' * 65535\n"
              "z.close()\n",
              scratch_.Path());
    std::string bytes = ReadFile(scratch_ / "c.zip");
    WriteFile(scratch_ / "c1.zip", bytes);
    EXPECT_EQ(ReadDirectory(TArchiveFile((scratch_ / "c1.zip").string())).comment.size(), 65535u);
    // Bytes after the comment push the end record out of the window searched.
    WriteFile(scratch_ / "c2.zip", bytes + "x");
    EXPECT_THROW(ReadDirectory(TArchiveFile((scratch_ / "c2.zip").string())), TSfxError);
}

TEST_F(DirectoryTest, EmptyArchiveExtractsNothingSuccessfully) {
    const std::string empty = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    EXPECT_EQ(ExtractInProcess(empty, scratch_ / "out"), kExitOk);
    EXPECT_EQ(ExtractInProcess("", scratch_ / "out2"), kExitFatal);
    EXPECT_EQ(ExtractInProcess("just some bytes, not an archive at all", scratch_ / "out3"), kExitFatal);
}

// Each damage names the field it changes; every one must end in a refusal, not a
// crash, an allocation the file cannot back, or a read outside the file.
TEST_F(DirectoryTest, LyingNumbersAreRefused) {
    const std::string good = SmallZip();
    ASSERT_EQ(ExtractInProcess(good, scratch_ / "good"), kExitOk);
    const std::size_t end = good.rfind(std::string("PK\x05\x06", 4));
    const std::size_t central = good.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(end, std::string::npos);
    ASSERT_NE(central, std::string::npos);

    struct TDamage {
        const char* label;
        std::function<void(std::string&)> apply;
        int expected;
    };
    const TDamage damages[] = {
        {"entry count far above the directory",
         [&](std::string& b) { PutU16(b, end + 8, 0xFFFE), PutU16(b, end + 10, 0xFFFE); }, kExitFatal},
        {"directory size past the file", [&](std::string& b) { PutU32(b, end + 12, 0x7FFFFFFF); },
         kExitFatal},
        {"directory offset past the file", [&](std::string& b) { PutU32(b, end + 16, 0x7FFFFFF0); },
         kExitFatal},
        {"comment length past the file", [&](std::string& b) { PutU16(b, end + 20, 500); }, kExitFatal},
        {"first entry's offset past the file", [&](std::string& b) { PutU32(b, central + 42, 0x7FFFFFF0); },
         kExitFatal},
        {"first entry's compressed size past the file",
         [&](std::string& b) { PutU32(b, central + 20, 0x7FFFFFF0); }, kExitEntriesFailed},
        {"first entry's sizes huge",
         [&](std::string& b) { PutU32(b, central + 20, 0xFFFFFFFF), PutU32(b, central + 24, 0xFFFFFFFF); },
         kExitEntriesFailed},
        {"first entry's uncompressed size too small", [&](std::string& b) { PutU32(b, central + 24, 10); },
         kExitEntriesFailed},
        {"first entry's uncompressed size too large",
         [&](std::string& b) { PutU32(b, central + 24, 100000); }, kExitEntriesFailed},
        {"first entry's name length past the directory",
         [&](std::string& b) { PutU16(b, central + 28, 0xFFFF); }, kExitFatal},
        {"first entry's extra length past the directory",
         [&](std::string& b) { PutU16(b, central + 30, 0xFFFF); }, kExitFatal},
        {"first entry's method unknown", [&](std::string& b) { PutU16(b, central + 10, 14); },
         kExitEntriesFailed},
        {"first entry's local header name length huge", [&](std::string& b) { PutU16(b, 26, 0xFFFF); },
         kExitEntriesFailed},
        {"local header signature broken", [&](std::string& b) { b[0] = 'X'; }, kExitEntriesFailed},
        {"central signature broken", [&](std::string& b) { b[central] = 'X'; }, kExitFatal},
        {"first entry's CRC wrong", [&](std::string& b) { b[central + 16] ^= 1; }, kExitEntriesFailed},
        {"AES method without AES block", [&](std::string& b) { PutU16(b, central + 10, 99); },
         kExitEntriesFailed},
    };
    int index = 0;
    for (const TDamage& d : damages) {
        std::string bytes = good;
        d.apply(bytes);
        std::string errors;
        const fs::path target = scratch_ / ("t" + std::to_string(index++));
        EXPECT_EQ(ExtractInProcess(bytes, target, &errors, "pw"), d.expected) << d.label << ": " << errors;
        EXPECT_FALSE(errors.empty()) << d.label;
        // A failed entry leaves nothing half written.
        if (fs::exists(target / "d/deflated.txt")) {
            EXPECT_EQ(ReadFile(target / "d/deflated.txt"), ReadFile(scratch_ / "good/d/deflated.txt"))
                << d.label;
        }
    }
}

// Random damage anywhere: the run may fail or succeed, but must never crash or
// write outside its target.
TEST_F(DirectoryTest, RandomDamageNeverEscapesOrCrashes) {
    const std::string good = SmallZip();
    std::mt19937 generator(12345);
    const fs::path targets = scratch_ / "targets";
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        const int flips = 1 + static_cast<int>(generator() % 4);
        for (int i = 0; i < flips; ++i) {
            bytes[generator() % bytes.size()] = static_cast<char>(generator());
        }
        ExtractInProcess(bytes, targets / std::to_string(round));
    }
    for (const auto& item : fs::directory_iterator(scratch_.Path())) {
        const std::string name = item.path().filename().string();
        EXPECT_TRUE(name == "a.zip" || name == "in.zip" || name == "targets") << "stray " << name;
    }
}

TEST(DosTime, FieldsAndCorrections) {
    struct TCase {
        std::uint16_t date, time;
        TDosFields expected;
    };
    const TCase cases[] = {
        {(40 << 9) | (1 << 5) | 2, (3 << 11) | (4 << 5) | 3, {2020, 1, 2, 3, 4, 6}},
        {0, 0, {1980, 1, 1, 0, 0, 0}}, // month and day 0 raised to 1
        {(127 << 9) | (15 << 5) | 31, (31 << 11) | (63 << 5) | 31, {2099, 12, 31, 23, 59, 59}},
    };
    for (const TCase& c : cases) {
        const TDosFields f = UnpackDosDateTime((std::uint32_t{c.date} << 16) | c.time);
        EXPECT_EQ(f.year, c.expected.year);
        EXPECT_EQ(f.month, c.expected.month);
        EXPECT_EQ(f.day, c.expected.day);
        EXPECT_EQ(f.hour, c.expected.hour);
        EXPECT_EQ(f.minute, c.expected.minute);
        EXPECT_EQ(f.second, c.expected.second);
    }
}

TEST(DosTime, IsLocalTime) {
    const std::uint32_t dos =
        (std::uint32_t{(41 << 9) | (7 << 5) | 15} << 16) | ((13 << 11) | (30 << 5) | 10);
    const std::time_t t = DosDateTimeToTime(dos);
    std::tm local{};
    ::localtime_r(&t, &local);
    EXPECT_EQ(local.tm_year + 1900, 2021);
    EXPECT_EQ(local.tm_mon + 1, 7);
    EXPECT_EQ(local.tm_mday, 15);
    EXPECT_EQ(local.tm_hour, 13);
    EXPECT_EQ(local.tm_min, 30);
    EXPECT_EQ(local.tm_sec, 20);
}

TEST(DefaultTarget, NamedAfterTheArchive) {
    EXPECT_EQ(DefaultTargetDir("/data/backup.exe"), "/data/backup");
    EXPECT_EQ(DefaultTargetDir("/data/backup.2024.exe"), "/data/backup.2024");
    EXPECT_EQ(DefaultTargetDir("/data/backup"), "/data/backup_files");
    EXPECT_EQ(DefaultTargetDir("/da.ta/backup"), "/da.ta/backup_files");
    EXPECT_EQ(DefaultTargetDir("/data/.hidden"), "/data/.hidden_files");
}

} // namespace
} // namespace korvel::sfx::test
