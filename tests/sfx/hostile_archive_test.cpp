// Archives built to make an extractor write where it must not: names that climb
// out, absolute names, links planted in the target or made by earlier entries.

#include "sfx_fixture.h"

#include <gtest/gtest.h>

#include <random>

namespace korvel::sfx::test {
namespace {

class HostileArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("zip") || !HaveProgram("python3")) {
            GTEST_SKIP() << "zip or python3 not installed";
        }
        root_ = scratch_ / "box"; // the test's whole world: target and "outside" live here
        fs::create_directories(root_ / "outside");
    }

    // Writes "a.zip" in the scratch directory with the python statements `body`,
    // which see an open ZipFile `z` and the helper `entry(name, data, mode=None)`.
    fs::path MakeZip(const std::string& body) {
        RunPython("import zipfile, stat\n"
                  "z = zipfile.ZipFile('a.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                  "def entry(name, data, mode=None):\n"
                  "    i = zipfile.ZipInfo(name, (2020, 1, 2, 3, 4, 6))\n"
                  "    i.compress_type = zipfile.ZIP_DEFLATED\n"
                  "    if mode is not None:\n"
                  "        i.external_attr = mode << 16\n"
                  "    z.writestr(i, data)\n" +
                      body + "z.close()\n",
                  scratch_.Path());
        return MakeSfx(scratch_ / "a.zip", scratch_ / "a.exe");
    }

    TRunResult Extract(const fs::path& exe) {
        return RunShell(Quote(exe) + " -d " + Quote(root_ / "out"), scratch_.Path());
    }

    bool OutsideIsEmpty() const { return fs::is_empty(root_ / "outside"); }

    TScratch scratch_;
    fs::path root_;
};

TEST_F(HostileArchiveTest, EscapingNamesAreSkippedAndReported) {
    std::mt19937_64 generator{std::random_device{}()};
    const std::string absolute = "/tmp/korvel-sfx-absolute-" + std::to_string(generator());
    const fs::path exe = MakeZip("entry('../evil', b'climb')\n"
                                 "entry('" +
                                 absolute +
                                 "', b'absolute')\n"
                                 "entry('C:/drive.txt', b'drive')\n"
                                 "entry('C:drive2.txt', b'drive relative')\n"
                                 "entry('sub/../../up.txt', b'climb later')\n"
                                 "entry('..\\\\back.txt', b'backslash climb')\n"
                                 "entry('\\\\rooted.txt', b'backslash root')\n"
                                 "entry('good.txt', b'good')\n"
                                 "entry('sub/fine.txt', b'fine')\n"
                                 "entry('./dot/./ok.txt', b'dots')\n");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 1) << r.err;
    for (const std::string& name :
         {std::string("../evil"), absolute, std::string("C:/drive.txt"), std::string("C:drive2.txt"),
          std::string("sub/../../up.txt"), std::string("..\\back.txt"), std::string("\\rooted.txt")}) {
        EXPECT_NE(r.err.find("\"" + name + "\""), std::string::npos) << name << " not reported in\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_FALSE(fs::exists(root_ / "evil"));
    EXPECT_FALSE(fs::exists(root_ / "up.txt"));
    EXPECT_FALSE(fs::exists(root_ / "back.txt"));
    // The safe entries of the same archive still come out.
    EXPECT_EQ(ReadFile(root_ / "out/good.txt"), "good");
    EXPECT_EQ(ReadFile(root_ / "out/sub/fine.txt"), "fine");
    EXPECT_EQ(ReadFile(root_ / "out/dot/ok.txt"), "dots");
    std::size_t count = 0;
    for (const auto& item : fs::recursive_directory_iterator(root_ / "out")) {
        count += item.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(count, 3u);
}

TEST_F(HostileArchiveTest, NameWithNulByteIsRefused) {
    // python cuts names at NUL, so the byte is patched into both headers afterwards.
    RunPython("import zipfile\n"
              "z = zipfile.ZipFile('a.zip', 'w')\n"
              "z.writestr('okX/name.txt', b'data')\n"
              "z.writestr('plain.txt', b'plain')\n"
              "z.close()\n"
              "b = open('a.zip', 'rb').read()\n"
              "assert b.count(b'okX/') == 2\n"
              "open('a.zip', 'wb').write(b.replace(b'okX/', b'ok\\x00/'))\n",
              scratch_.Path());
    const fs::path exe = MakeSfx(scratch_ / "a.zip", scratch_ / "a.exe");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(fs::exists(root_ / "out/ok"));
    EXPECT_EQ(ReadFile(root_ / "out/plain.txt"), "plain");
}

TEST_F(HostileArchiveTest, LinkedDirectoryInTargetIsNotFollowed) {
    fs::create_directories(root_ / "out");
    fs::create_directory_symlink(root_ / "outside", root_ / "out/link");
    const fs::path exe = MakeZip("entry('link/x.txt', b'through the link')\n"
                                 "entry('other.txt', b'other')\n");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("link/x.txt"), std::string::npos) << r.err;
    EXPECT_TRUE(OutsideIsEmpty());
    EXPECT_EQ(ReadFile(root_ / "out/other.txt"), "other");
}

TEST_F(HostileArchiveTest, LinkedFileInTargetIsReplacedNotWrittenThrough) {
    fs::create_directories(root_ / "out");
    WriteFile(root_ / "outside/precious.txt", "precious");
    fs::create_symlink(root_ / "outside/precious.txt", root_ / "out/file.txt");
    const fs::path exe = MakeZip("entry('file.txt', b'new contents')\n");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(root_ / "outside/precious.txt"), "precious");
    EXPECT_FALSE(fs::is_symlink(root_ / "out/file.txt"));
    EXPECT_EQ(ReadFile(root_ / "out/file.txt"), "new contents");
}

TEST_F(HostileArchiveTest, LinkEntryCannotCarryLaterEntriesOutside) {
    // A Unix symbolic-link entry pointing out, then an entry below it and one on it.
    const fs::path exe = MakeZip("entry('ln', b'../outside', stat.S_IFLNK | 0o777)\n"
                                 "entry('ln/x.txt', b'below the link')\n"
                                 "entry('abs', b'" +
                                 (root_ / "outside").string() +
                                 "', stat.S_IFLNK | 0o777)\n"
                                 "entry('abs/y.txt', b'below the absolute link')\n");
    const TRunResult r = Extract(exe);
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(OutsideIsEmpty());
    // Links are not made at all: the entry becomes a plain file holding the target text.
    EXPECT_FALSE(fs::is_symlink(root_ / "out/ln"));
}

TEST_F(HostileArchiveTest, DuplicateEntryReplacesTheEarlierFile) {
    const fs::path exe = MakeZip("entry('same.txt', b'first')\n"
                                 "entry('same.txt', b'second')\n");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(root_ / "out/same.txt"), "second");
}

TEST_F(HostileArchiveTest, FileWhereADirectoryIsNeededFailsCleanly) {
    const fs::path exe = MakeZip("entry('thing', b'a file')\n"
                                 "entry('thing/inside.txt', b'needs a directory')\n");
    const TRunResult r = Extract(exe);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(root_ / "out/thing"), "a file");
}

TEST_F(HostileArchiveTest, PermissionsComeFromTheHostsAttributes) {
    RunPython("import zipfile\n"
              "z = zipfile.ZipFile('a.zip', 'w')\n"
              "def put(name, system, attr):\n"
              "    i = zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0))\n"
              "    i.create_system = system\n"
              "    i.external_attr = attr\n"
              "    z.writestr(i, b'x')\n"
              "put('readonly.txt', 0, 0x21)\n"
              "put('archive.txt', 0, 0x20)\n"
              "put('script.sh', 3, (0o104755 << 16))\n" // setuid must not survive
              "put('private.txt', 3, (0o100600 << 16))\n"
              "z.close()\n",
              scratch_.Path());
    const fs::path exe = MakeSfx(scratch_ / "a.zip", scratch_ / "a.exe");
    const TRunResult r =
        RunShell("umask 022 && " + Quote(exe) + " -d " + Quote(root_ / "out"), scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const auto mode = [&](const char* name) { return fs::status(root_ / "out" / name).permissions(); };
    using fs::perms;
    EXPECT_EQ(mode("readonly.txt"), perms::owner_read | perms::group_read | perms::others_read);
    EXPECT_EQ(mode("archive.txt"),
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    EXPECT_EQ(mode("script.sh"), perms::owner_all | perms::group_read | perms::group_exec |
                                     perms::others_read | perms::others_exec);
    EXPECT_EQ(mode("private.txt"), perms::owner_read | perms::owner_write);
}

TEST_F(HostileArchiveTest, ControlCharactersAreNotSentToTheTerminal) {
    const fs::path exe = MakeZip("entry('esc\\x1b[2Jname.txt', b'x')\n"
                                 "z.comment = b'line one\\nbell\\x07'\n");
    const TRunResult list = RunShell(Quote(exe) + " -l", scratch_.Path());
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(list.out.find('\x07'), std::string::npos);
    EXPECT_NE(list.out.find("esc?[2Jname.txt"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("line one\nbell?"), std::string::npos) << list.out;
    const TRunResult r = Extract(exe);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    // The file itself keeps its real name.
    EXPECT_TRUE(fs::exists(root_ / "out" / "esc\x1b[2Jname.txt"));
}

} // namespace
} // namespace korvel::sfx::test
