// The Windows stub, run under Wine, on archives the Linux build writes: every kind of
// entry must come out as the tree it was made from, and a damaged archive must fail.

#include "archive/zip_writer.h"
#include "sfx_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace korvel::sfx::test {
namespace {

// Source trees are compared by content, time and kind; the writer stores files only, so
// its directories are those of its files.
void ExpectSameTree(const fs::path& source, const fs::path& extracted, bool withEmptyDirectories) {
    auto expected = ReadTree(source);
    auto actual = ReadTree(extracted);
    if (!withEmptyDirectories) {
        std::erase_if(expected, [](const auto& item) { return item.second.directory; });
        std::erase_if(actual, [](const auto& item) { return item.second.directory; });
    }
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [name, item] : expected) {
        const auto found = actual.find(name);
        ASSERT_NE(found, actual.end()) << name << " missing";
        EXPECT_EQ(found->second.directory, item.directory) << name;
        EXPECT_TRUE(found->second.bytes == item.bytes) << name;
        if (!item.directory) {
            EXPECT_EQ(found->second.mtime, item.mtime) << name;
        }
    }
}

struct TStubCase {
    const char* label;
    int packLevel; // -1: the archive is made by python's zipfile (Zip64, directory entries)
    const char* password;
    TEncryptStrength strength;
};

class WindowsStubTest : public ::testing::TestWithParam<TStubCase> {
protected:
    void SetUp() override {
        if (!HaveProgram("wine")) {
            GTEST_SKIP() << "wine not installed";
        }
        source_ = scratch_ / "source";
        WriteFile(source_ / "readme.txt", "plain name\n");
        WriteFile(source_ / "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt",
                  "Cyrillic names\n"); // Папка/файл.txt
        // Incompressible, so that a damaged byte lands in its data in every archive.
        std::mt19937 random(7);
        std::string noise(200000, '\0');
        for (char& c : noise) {
            c = static_cast<char>(random());
        }
        WriteFile(source_ / "sub/deep/data.bin", noise);
        WriteFile(source_ / "sub/empty.txt", "");
        std::time_t when = 1500000000;
        for (const auto& item : fs::recursive_directory_iterator(source_)) {
            if (item.is_regular_file()) {
                SetTime(item.path(), when += 7200);
            }
        }
    }

    // Runs the archive under Wine; the Unix paths reach it through drive Z:.
    TRunResult RunUnderWine(const fs::path& exe, const std::string& options) {
        return RunShell("WINEPREFIX=" + Quote(KORVEL_WINEPREFIX) + " WINEDEBUG=-all wine " + Quote(exe) +
                            " " + options + " -d " + Quote("Z:" + (scratch_ / "out").string()),
                        scratch_.Path());
    }

    fs::path WriteArchive(const TStubCase& c) {
        const fs::path exe = scratch_ / "backup.exe";
        if (c.packLevel < 0) {
            fs::create_directories(source_ / "empty dir");
            RunPython(
                "import os, zipfile\n"
                "src = 'source'\n"
                "with zipfile.ZipFile('made.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                "    for root, dirs, files in sorted(os.walk(src)):\n"
                "        rel = os.path.relpath(root, src)\n"
                "        if rel != '.':\n"
                "            z.write(root, rel + '/')\n"
                "        for f in sorted(files):\n"
                "            path = os.path.join(root, f)\n"
                "            info = zipfile.ZipInfo.from_file(path, os.path.relpath(path, src))\n"
                "            info.compress_type = zipfile.ZIP_DEFLATED\n"
                "            with open(path, 'rb') as data, z.open(info, 'w', force_zip64=True) as out:\n"
                "                out.write(data.read())\n",
                scratch_.Path());
            return MakeSfx(scratch_ / "made.zip", exe, false);
        }
        TZipWriter writer;
        writer.SetPackLevel(c.packLevel);
        writer.SetRelativePaths(true);
        writer.SetRootDir(source_.string() + "/");
        writer.SetPassword(c.password);
        writer.SetEncryptStrength(c.strength);
        for (const auto& item : fs::recursive_directory_iterator(source_)) {
            if (item.is_regular_file()) {
                writer.FilesList().push_back(item.path().string());
            }
        }
        EXPECT_EQ(writer.ZipToSfx(StubPath().string(), exe.string()), 4);
        return exe;
    }

    TScratch scratch_;
    fs::path source_;
};

TEST_P(WindowsStubTest, ExtractsTheSourceTree) {
    const TStubCase& c = GetParam();
    const fs::path exe = WriteArchive(c);
    const std::string password = c.password;
    const TRunResult r = RunUnderWine(exe, password.empty() ? "-q" : "-q -p " + Quote(password));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ExpectSameTree(source_, scratch_ / "out", c.packLevel < 0);
}

TEST_P(WindowsStubTest, FailsOnADamagedEntry) {
    const TStubCase& c = GetParam();
    const fs::path exe = WriteArchive(c);
    // One byte inside the compressed data of the large file: its CRC or its
    // authentication code must catch it.
    std::string bytes = ReadFile(exe);
    const std::size_t stub = fs::file_size(StubPath());
    const std::size_t at = bytes.find("data.bin", stub);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 100] = static_cast<char>(bytes[at + 100] ^ 0x55);
    WriteFile(exe, bytes);
    const std::string password = c.password;
    const TRunResult r = RunUnderWine(exe, password.empty() ? "-q" : "-q -p " + Quote(password));
    EXPECT_NE(r.status, 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Archives, WindowsStubTest,
                         ::testing::Values(TStubCase{"Stored", 0, "", esPKStandard},
                                           TStubCase{"Deflated", 6, "", esPKStandard},
                                           TStubCase{"Traditional", 6, "s\xC3\xA9same", esPKStandard},
                                           TStubCase{"Aes256", 6, "s\xC3\xA9same", esAES256},
                                           TStubCase{"Zip64AndDirectories", -1, "", esPKStandard}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(WindowsStub, RefusesNamesThatLeaveTheTarget) {
    if (!HaveProgram("wine") || !HaveProgram("python3")) {
        GTEST_SKIP() << "wine or python3 not installed";
    }
    TScratch scratch;
    RunPython("import zipfile\n"
              "with zipfile.ZipFile('evil.zip', 'w') as z:\n"
              "    z.writestr('ok.txt', 'fine')\n"
              "    z.writestr('..\\\\escaped.txt', 'out')\n"
              "    z.writestr('C:/escaped.txt', 'out')\n"
              "    z.writestr('a/../../escaped.txt', 'out')\n"
              "    z.writestr('stream.txt:hidden', 'out')\n"
              "    z.writestr('NUL.txt', 'out')\n",
              scratch.Path());
    const fs::path exe = MakeSfx(scratch / "evil.zip", scratch / "evil.exe", false);
    const TRunResult r = RunShell("WINEPREFIX=" + Quote(KORVEL_WINEPREFIX) + " WINEDEBUG=-all wine " +
                                      Quote(exe) + " -q -d " + Quote("Z:" + (scratch / "out").string()),
                                  scratch.Path());
    EXPECT_EQ(r.status, 1) << r.out << r.err; // some entries refused, the rest extracted
    EXPECT_EQ(ReadFile(scratch / "out" / "ok.txt"), "fine");
    EXPECT_FALSE(fs::exists(scratch / "escaped.txt"));
    EXPECT_FALSE(fs::exists(scratch / "out" / "stream.txt"));
    EXPECT_FALSE(fs::exists(scratch / "out" / "NUL.txt"));
}

} // namespace
} // namespace korvel::sfx::test
