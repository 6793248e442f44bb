// The stub run as a program on archives made by peer tools: the extracted tree
// must equal the source, byte for byte and in its times.

#include "sfx_fixture.h"

#include <gtest/gtest.h>

namespace korvel::sfx::test {
namespace {

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("zip")) {
            GTEST_SKIP() << "zip not installed";
        }
        source_ = scratch_ / "source";
        MakeSampleTree(source_);
    }

    // Zips the sample tree with `zipCommand` run inside it, output to "a.zip".
    fs::path ZipSource(const std::string& zipCommand) {
        const fs::path zip = scratch_ / "a.zip";
        const TRunResult r =
            RunShell("cd " + Quote(source_) + " && " + zipCommand + " " + Quote(zip) + " .", scratch_.Path());
        EXPECT_EQ(r.status, 0) << r.err;
        return zip;
    }

    TRunResult RunSfx(const fs::path& exe, const std::string& args) {
        return RunShell(Quote(exe) + " " + args, scratch_.Path());
    }

    void ExpectSameTree(const fs::path& extracted) {
        const auto expected = ReadTree(source_);
        const auto actual = ReadTree(extracted);
        ASSERT_EQ(expected.size(), actual.size());
        for (const auto& [name, item] : expected) {
            const auto found = actual.find(name);
            ASSERT_NE(found, actual.end()) << name;
            EXPECT_EQ(found->second.directory, item.directory) << name;
            EXPECT_TRUE(found->second.bytes == item.bytes) << name;
            EXPECT_EQ(found->second.mtime, item.mtime) << name;
        }
    }

    TScratch scratch_;
    fs::path source_;
};

struct TPeerCase {
    const char* label;
    const char* zipCommand;
    const char* args; // password option for the stub
    bool needs7z;
};

void PrintTo(const TPeerCase& c, std::ostream* os) {
    *os << c.label;
}

class PeerArchiveTest : public ExtractTest, public ::testing::WithParamInterface<TPeerCase> {};

TEST_P(PeerArchiveTest, ExtractedTreeEqualsSource) {
    const TPeerCase& c = GetParam();
    if (c.needs7z && !HaveProgram("7z")) {
        GTEST_SKIP() << "7z not installed";
    }
    const fs::path exe = MakeSfx(ZipSource(c.zipCommand), scratch_ / "a.exe");
    const TRunResult r = RunSfx(exe, std::string(c.args) + " -d " + Quote(scratch_ / "out"));
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSameTree(scratch_ / "out");
}

class EncryptedPeerArchiveTest : public PeerArchiveTest {};

TEST_P(EncryptedPeerArchiveTest, WrongPasswordFailsAndLeavesNoFile) {
    const TPeerCase& c = GetParam();
    if (c.needs7z && !HaveProgram("7z")) {
        GTEST_SKIP() << "7z not installed";
    }
    const fs::path exe = MakeSfx(ZipSource(c.zipCommand), scratch_ / "a.exe");
    const TRunResult r = RunSfx(exe, "-p wrong -d " + Quote(scratch_ / "out"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("password"), std::string::npos) << r.err;
    for (const auto& [name, item] : ReadTree(scratch_ / "out")) {
        EXPECT_TRUE(item.directory) << name << " was written with a wrong password";
    }
}

const TPeerCase kEncryptedCases[] = {
    {"traditional", "zip -qr -X -P 'pa ss'", "-p 'pa ss'", false},
    {"traditionalStored", "zip -qr -X -0 -P pw", "-p pw", false},
    {"aes256", "7z a -tzip -mem=AES256 '-ppa ss' -bd", "-p 'pa ss'", true},
    {"aes128stored", "7z a -tzip -mx=0 -mem=AES128 -ppw -bd", "-p pw", true},
    {"aes192", "7z a -tzip -mem=AES192 -ppw -bd", "-p pw", true},
};
const TPeerCase kPlainCases[] = {
    {"deflated", "zip -qr -X", "", false},
    {"stored", "zip -qr -X -0", "", false},
    {"deflatedBy7z", "7z a -tzip -bd", "", true},
};
const auto kCaseName = [](const auto& info) { return std::string(info.param.label); };

INSTANTIATE_TEST_SUITE_P(Plain, PeerArchiveTest, ::testing::ValuesIn(kPlainCases), kCaseName);
INSTANTIATE_TEST_SUITE_P(Encrypted, PeerArchiveTest, ::testing::ValuesIn(kEncryptedCases), kCaseName);
INSTANTIATE_TEST_SUITE_P(Encrypted, EncryptedPeerArchiveTest, ::testing::ValuesIn(kEncryptedCases),
                         kCaseName);

TEST_F(ExtractTest, ArchiveWithoutAdjustedOffsetsIsStillFound) {
    // A plain "cat stub archive" leaves every offset short by the stub's size.
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X"), scratch_ / "a.exe", /*adjust=*/false);
    const TRunResult r = RunSfx(exe, "-q -d " + Quote(scratch_ / "out"));
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSameTree(scratch_ / "out");
}

TEST_F(ExtractTest, DefaultTargetIsNamedAfterTheArchiveBesideIt) {
    const fs::path dir = scratch_ / "somewhere";
    fs::create_directories(dir);
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X"), dir / "backup 2024.exe");
    // Run from elsewhere: the target depends on the archive's place, not the working directory.
    const TRunResult r = RunShell("cd / && " + Quote(exe) + " -q", scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSameTree(dir / "backup 2024");
}

TEST_F(ExtractTest, ListShowsEveryEntryAndWritesNothing) {
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X"), scratch_ / "a.exe");
    const TRunResult r = RunShell("cd " + Quote(scratch_.Path()) + " && ./a.exe -l", scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name :
         {"readme.txt", "empty.dat", "docs/text.txt", "docs/deep/er/noise.bin", "emptydir/"}) {
        EXPECT_NE(r.out.find(name), std::string::npos) << name << " missing in\n" << r.out;
    }
    EXPECT_NE(r.out.find("15  "), std::string::npos) << "readme.txt's length missing";
    EXPECT_FALSE(fs::exists(scratch_ / "a"));
}

TEST_F(ExtractTest, CorruptedDeflatedDataFailsAndLeavesNoFile) {
    const fs::path zip = scratch_ / "one.zip";
    ASSERT_EQ(
        RunShell("cd " + Quote(source_) + " && zip -q -X " + Quote(zip) + " docs/text.txt", scratch_.Path())
            .status,
        0);
    // Flip a byte in the middle of the compressed data, found through python's reader.
    RunPython("import zipfile\n"
              "z = zipfile.ZipFile('one.zip'); i = z.infolist()[0]; z.close()\n"
              "b = bytearray(open('one.zip','rb').read())\n"
              "start = i.header_offset + 30 + len(i.filename) + len(i.extra)\n"
              "b[start + i.compress_size // 2] ^= 0x55\n"
              "open('one.zip','wb').write(b)\n",
              scratch_.Path());
    const fs::path exe = MakeSfx(zip, scratch_ / "a.exe");
    const TRunResult r = RunSfx(exe, "-d " + Quote(scratch_ / "out"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("docs/text.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(scratch_ / "out/docs/text.txt"));
    // No temporary file left behind either.
    for (const auto& [name, item] : ReadTree(scratch_ / "out")) {
        EXPECT_TRUE(item.directory) << name;
    }
}

TEST_F(ExtractTest, EncryptedArchiveWithoutPasswordOrTerminalFails) {
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X -P pw"), scratch_ / "a.exe");
    // setsid: no controlling terminal to ask on.
    const TRunResult r = RunShell("setsid " + Quote(exe) + " -d " + Quote(scratch_ / "out"), scratch_.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("password"), std::string::npos) << r.err;
}

TEST_F(ExtractTest, PasswordIsAskedOnTheTerminal) {
    if (!HaveProgram("script")) {
        GTEST_SKIP() << "script not installed";
    }
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X -P secret"), scratch_ / "a.exe");
    // script gives the stub a terminal; the password is typed into it.
    const TRunResult r = RunShell(
        "(sleep 1; printf 'secret\\n') | script -qec " +
            Quote(Quote(exe.string()) + " -q -d " + Quote((scratch_ / "out").string())) + " /dev/null",
        scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Password:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("secret"), std::string::npos) << "the password was echoed:\n" << r.out;
    ExpectSameTree(scratch_ / "out");
}

TEST_F(ExtractTest, MistypedPasswordIsAskedAgain) {
    if (!HaveProgram("script")) {
        GTEST_SKIP() << "script not installed";
    }
    const fs::path exe = MakeSfx(ZipSource("zip -qr -X -P secret"), scratch_ / "a.exe");
    // The pauses let each prompt switch echo off before its line is typed.
    const TRunResult r = RunShell(
        "(sleep 1; printf 'wrong\\n'; sleep 2; printf 'secret\\n') | script -qec " +
            Quote(Quote(exe.string()) + " -q -d " + Quote((scratch_ / "out").string())) + " /dev/null",
        scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("incorrect password"), std::string::npos) << r.out;
    ExpectSameTree(scratch_ / "out");
}

TEST(StubProgram, IsStaticallyLinked) {
#ifndef KORVEL_SFX_STATIC
    GTEST_SKIP() << "this build links the stub against shared runtimes (sanitizers)";
#endif
    TScratch scratch;
    const TRunResult r = RunShell("readelf -lW " + Quote(StubPath()), scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("INTERP"), std::string::npos) << "has a program interpreter";
    EXPECT_EQ(r.out.find("DYNAMIC"), std::string::npos) << "has a dynamic section";
    if (HaveProgram("file")) {
        EXPECT_NE(RunShell("file " + Quote(StubPath()), scratch.Path()).out.find("statically linked"),
                  std::string::npos);
    }
}

TEST(StubProgram, WithoutArchiveSaysSoAndFails) {
    TScratch scratch;
    const TRunResult r = RunShell(Quote(StubPath()) + " -d " + Quote(scratch / "out"), scratch.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no archive"), std::string::npos) << r.err;
}

TEST(StubProgram, HelpAndBadOptions) {
    TScratch scratch;
    const TRunResult help = RunShell(Quote(StubPath()) + " -h", scratch.Path());
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"-d DIR", "-p PASSWORD", "-l"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(RunShell(Quote(StubPath()) + " -x", scratch.Path()).status, 2);
    EXPECT_EQ(RunShell(Quote(StubPath()) + " stray", scratch.Path()).status, 2);
}

} // namespace
} // namespace korvel::sfx::test
