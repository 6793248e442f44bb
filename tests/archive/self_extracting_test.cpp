// Self-extracting output: the stub copy in the shared temporary directory, the
// permission bits of the program written, and the directory of a damaged one
// rebuilt without being misled by the stub's own bytes.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::ArchiveTest;
using test::ExtractEntries;
using test::ReadAll;

class SelfExtractingTest : public ArchiveTest {
protected:
    TZipWriter w;
};

// Names in the directory, in their order.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SelfExtractingTest, StubCopyNeverFollowsAPlantedLinkAndIsRemoved) {
    // Another user of the machine plants "tmpstub.exe" in the shared temporary
    // directory, pointing at a file of ours.
    const std::string victim = File("victim.txt", "must stay as it is");
    fs::create_directories(P("tmp"));
#ifdef _WIN32
    // A symbolic link takes a privilege on Windows that another user does not have: only
    // the removal of the copy is left to check.
    const std::vector<std::string> planted;
#else
    fs::create_symlink(victim, P("tmp/tmpstub.exe"));
    const std::vector<std::string> planted{"tmpstub.exe"};
#endif
    const std::string stub = File("stub.bin", std::string(4000, 'S'));
    const std::string options = "OPTIONS";
    w.SetTempPath(P("tmp/"));
    w.FilesList() = {File("a.txt", "a")};
    EXPECT_EQ(w.ZipToSfx(stub, P("out.exe"), options.data(), static_cast<int>(options.size())), 1);

    EXPECT_EQ(ReadAll(victim), "must stay as it is");
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(P("tmp/tmpstub.exe")));
#endif
    EXPECT_EQ(Listing(P("tmp")), planted) << "the copy is gone";
    const std::string out = ReadAll(P("out.exe"));
    EXPECT_EQ(out.substr(0, 4000 + options.size()), std::string(4000, 'S') + options);
    EXPECT_EQ(ExtractEntries(P("out.exe")).at(0).second, "a");

    // A failed run removes the copy too.
    w.FilesList() = {File("b.txt", "b")};
    EXPECT_THROW(w.ZipToSfx(stub, dir_ + "missing/out.exe", options.data(), static_cast<int>(options.size())),
                 EFCreateError);
    EXPECT_EQ(Listing(P("tmp")), planted);
}

// Sets the umask for one test and puts the old one back.
class TUmask {
public:
    explicit TUmask(mode_t mask) : old_(::umask(mask)) {}
    ~TUmask() { ::umask(old_); }

private:
    mode_t old_;
};

unsigned ModeOf(const std::string& path) {
    return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::all);
}

TEST_F(SelfExtractingTest, WrittenExecutableAsTheUmaskAllows) {
    SKIP_ON_WINDOWS("Windows has neither a umask nor execute bits: what a program is, its name says");
    const std::string stub = File("stub.bin", std::string(100, 'S'));
    for (const mode_t mask : {022, 077, 002}) {
        SCOPED_TRACE(mask);
        TUmask umask(mask);
        const unsigned program = 0777 & ~mask;
        fs::remove_all(P("out"));

        // A new self-extracting archive.
        w.FilesList() = {File("a.txt", "a")};
        ASSERT_EQ(w.ZipToSfx(stub, P("out/new.exe")), 1);
        EXPECT_EQ(ModeOf(P("out/new.exe")), program);

        // The update of an existing ".zip" into its ".exe" (a temporary archive renamed).
        w.SetZipName(P("out/arch.zip"));
        w.FilesList() = {File("a.txt", "a")};
        ASSERT_EQ(w.Zip(), 1);
        EXPECT_EQ(ModeOf(P("out/arch.zip")), 0666 & ~mask) << "a plain archive is no program";
        w.SetTempPath(P("tmp/"));
        w.FilesList() = {File("b.txt", "b")};
        ASSERT_EQ(w.ZipToSfx(stub, P("out/arch.zip")), 1);
        EXPECT_EQ(ModeOf(P("out/arch.exe")), program);
        EXPECT_EQ(ModeOf(P("out/arch.zip")), 0666 & ~mask);
    }
}

std::string Le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(std::uint32_t v) {
    return Le16(static_cast<std::uint16_t>(v)) + Le16(static_cast<std::uint16_t>(v >> 16));
}
std::string Le64(std::uint64_t v) {
    return Le32(static_cast<std::uint32_t>(v)) + Le32(static_cast<std::uint32_t>(v >> 32));
}

// A local header that would pass every test of the scan, as a stub may hold one.
std::string PlausibleLocalHeader(const std::string& name, const std::string& data) {
    return Le32(0x04034B50) + Le16(20) + Le16(0) + Le16(0) + Le32(0) + Le32(0) +
           Le32(static_cast<std::uint32_t>(data.size())) + Le32(static_cast<std::uint32_t>(data.size())) +
           Le16(static_cast<std::uint16_t>(name.size())) + Le16(0) + name + data;
}

// A 64-bit ELF image of `size` bytes whose only table, its section headers, ends the image.
std::string ElfImage(std::size_t size) {
    constexpr std::size_t kSections = 4, kEntry = 64;
    std::string h = std::string("\x7F"
                                "ELF",
                                4) +
                    '\x02' + '\x01' + '\x01' + std::string(9, '\0');
    h += Le16(2) + Le16(62) + Le32(1) + Le64(0) + Le64(0) + Le64(size - kSections * kEntry) + Le32(0) +
         Le16(64) + Le16(56) + Le16(0) + Le16(kEntry) + Le16(kSections) + Le16(0);
    // Empty section headers: no section takes room of its own.
    return h + std::string(size - h.size() - kSections * kEntry, 'E') + std::string(kSections * kEntry, '\0');
}

struct TStubCase {
    const char* name;
    std::function<std::string()> stub;
};

void PrintTo(const TStubCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedSelfExtractor : public SelfExtractingTest, public ::testing::WithParamInterface<TStubCase> {
protected:
    // Writes the self-extracting archive of three files behind the stub; returns its bytes.
    std::string Write(const std::string& archive) {
        const std::string stub = File("stub.bin", GetParam().stub());
        w.SetStorePaths(true);
        w.SetRelativePaths(true);
        w.SetRootDir(P("src/"));
        w.FilesList() = {File("src/one.txt", "one"), File("src/dir/two.txt", test::TextLike(5000)),
                         File("src/three.bin", test::RandomBytes(3000))};
        EXPECT_EQ(w.ZipToSfx(stub, archive), 3);
        return ReadAll(archive);
    }

    // The entries the reader rebuilt, by name.
    std::vector<std::string> Rebuilt(const std::string& archive) {
        TZipReader r;
        r.SetZipName(archive);
        r.SetDoProcessMessages(false);
        r.SetIncompleteZipMode(izAssumeBad);
        r.ReadDirectory();
        std::vector<std::string> names;
        for (const TZipHeaderInfo& e : r.Entries())
            names.push_back(e.FullName());
        return names;
    }

    const std::vector<std::string> expected_{"one.txt", "dir\\two.txt", "three.bin"};
};

TEST_P(DamagedSelfExtractor, DirectoryIsRebuiltFromTheArchivesOwnHeaders) {
    const std::string archive = P("backup.exe");
    const std::string bytes = Write(archive);
    const std::size_t endAt = bytes.rfind(std::string("PK\x05\x06", 4));
    ASSERT_NE(endAt, std::string::npos);
    const std::size_t centralAt = test::U32At(bytes, endAt + 16);

    // No end record at all: only the scan can find the entries.
    test::WriteAll(archive, bytes.substr(0, centralAt));
    EXPECT_EQ(Rebuilt(archive), expected_);

    // The end record is there, but the second central header is damaged.
    std::string damaged = bytes;
    const std::size_t second = damaged.find(std::string("PK\x01\x02", 4), centralAt + 4);
    ASSERT_NE(second, std::string::npos);
    damaged[second + 1] = 'X';
    test::WriteAll(archive, damaged);
    EXPECT_EQ(Rebuilt(archive), expected_);
}

std::vector<TStubCase> StubCases() {
    return {
        // The self-extractor this program ships: a megabyte whose bytes may hold "PK\3\4".
        {"RealStub", [] { return ReadAll(KORVEL_SFX_STUB); }},
        // An unknown stub with a signature whose header cannot be real: its sizes run
        // past the end of the file.
        {"UnknownStubWithAnImpossibleHeader",
         [] {
             std::string stub(30000, 'U');
             std::string fake = Le32(0x04034B50) + Le16(20) + Le16(0) + Le16(0) + Le32(0) + Le32(0) +
                                Le32(0x7FFFFFF0) + Le32(0x7FFFFFF0) + Le16(8) + Le16(0) + "fake.txt";
             stub.replace(20000, fake.size(), fake);
             return stub;
         }},
        // A program whose length its headers give, holding a header that looks right.
        {"ElfStubWithAPlausibleHeader",
         [] {
             std::string stub = ElfImage(40000);
             const std::string fake = PlausibleLocalHeader("evil.txt", "EVIL!");
             stub.replace(20000, fake.size(), fake);
             return stub;
         }},
    };
}

INSTANTIATE_TEST_SUITE_P(Stubs, DamagedSelfExtractor, ::testing::ValuesIn(StubCases()),
                         [](const ::testing::TestParamInfo<TStubCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace korvel
