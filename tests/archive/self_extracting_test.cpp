// Self-extracting output: the stub copy in the shared temporary directory, the
// permission bits of the program written, and the directory of a damaged one
// rebuilt without being misled by the stub's own bytes.

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::ArchiveTest;
using test::PythonExtract;
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
    fs::create_symlink(victim, P("tmp/tmpstub.exe"));
    const std::string stub = File("stub.bin", std::string(4000, 'S'));
    const std::string options = "OPTIONS";
    w.SetTempPath(P("tmp/"));
    w.FilesList() = {File("a.txt", "a")};
    EXPECT_EQ(w.ZipToSfx(stub, P("out.exe"), options.data(), static_cast<int>(options.size())), 1);

    EXPECT_EQ(ReadAll(victim), "must stay as it is");
    EXPECT_TRUE(fs::is_symlink(P("tmp/tmpstub.exe")));
    EXPECT_EQ(Listing(P("tmp")), std::vector<std::string>{"tmpstub.exe"}) << "the copy is gone";
    const std::string out = ReadAll(P("out.exe"));
    EXPECT_EQ(out.substr(0, 4000 + options.size()), std::string(4000, 'S') + options);
    EXPECT_EQ(PythonExtract(P("out.exe")).at(0).second, "a");

    // A failed run removes the copy too.
    w.FilesList() = {File("b.txt", "b")};
    EXPECT_THROW(w.ZipToSfx(stub, dir_ + "missing/out.exe", options.data(), static_cast<int>(options.size())),
                 EFCreateError);
    EXPECT_EQ(Listing(P("tmp")), std::vector<std::string>{"tmpstub.exe"});
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

} // namespace
} // namespace korvel
