// Archives past the 32-bit limits, made from sparse files so that the input
// costs no disk space. Labelled slow: each takes a minute or more.

#include <filesystem>
#include <gtest/gtest.h>
#include <system_error>

#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::Q;
using test::U16At;
using test::U32At;
using test::U64At;

constexpr std::uint64_t kBig = 0x100100000ULL; // 4 GiB + 1 MiB

std::string Head(const std::string& path, std::uint64_t offset, std::size_t size) {
    TZipFile f = TZipFile::OpenRead(path);
    std::string bytes(size, '\0');
    bytes.resize(f.ReadAt(offset, bytes.data(), size));
    return bytes;
}

std::string Tail(const std::string& path, std::size_t size) {
    TZipFile f = TZipFile::OpenRead(path);
    const std::uint64_t total = f.Size();
    std::string bytes(size, '\0');
    bytes.resize(f.ReadAt(total - size, bytes.data(), size));
    return bytes;
}

// The peers that test data; bsdtar only lists.
std::string LargeVerdicts(const std::string& zip) {
#ifdef _WIN32
    // No peer runs on Windows; the self-extractor's reader tests the data instead.
    return test::PeerVerdicts(zip);
#else
    std::string failures, out;
    if (test::Run("unzip -tqq " + Q(zip), &out) != 0)
        failures += "unzip: " + out;
    if (test::HaveTool("7z") && test::Run("7z t -bd " + Q(zip) + " >/dev/null", &out) != 0)
        failures += "7z: " + out;
    if (test::Run("python3 -c \"import zipfile,sys;sys.exit(1 if zipfile.ZipFile(sys.argv[1]).testzip() else "
                  "0)\" " +
                      Q(zip),
                  &out) != 0)
        failures += "python: " + out;
    if (test::HaveTool("bsdtar") && test::Run("bsdtar -tf " + Q(zip) + " >/dev/null", &out) != 0)
        failures += "bsdtar: " + out;
    return failures;
#endif
}

class Zip64Large : public ArchiveTest {
protected:
    std::string Sparse(const std::string& name, std::uint64_t size) {
        const std::string path = File(name, "");
        // Not truncate(): its off_t has 32 bits on Windows.
        std::error_code error;
        std::filesystem::resize_file(test::FsPath(path), size, error);
        EXPECT_FALSE(error) << error.message();
        return path;
    }
    bool RoomFor(std::uint64_t bytes) {
        const auto space = std::filesystem::space(P(""));
        return space.available > bytes + (4ULL << 30);
    }
};

using Zip64LargeEntry = Zip64Large;
using Zip64LargeArchive = Zip64Large;

TEST_F(Zip64LargeEntry, FileOf4GiBAndMoreGetsZip64SizesInBothHeaders) {
    const std::string big = Sparse("in/big.bin", kBig);
    TZipWriter w;
    w.SetZipName(P("big.zip"));
    w.SetPackLevel(1);
    w.FilesList() = {big, File("in/small.txt", "small")};
    ASSERT_EQ(w.Zip(), 2);

    const std::string local = Head(P("big.zip"), 0, 30 + 7 + 20);
    EXPECT_EQ(U16At(local, 4), 45);
    EXPECT_EQ(U32At(local, 18), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(local, 22), 0xFFFFFFFFu);
    ASSERT_EQ(U16At(local, 28), 20);
    EXPECT_EQ(U16At(local, 37), 1);
    EXPECT_EQ(U16At(local, 39), 16);
    EXPECT_EQ(U64At(local, 41), kBig);

    {
        // Closed before the update: on Windows an archive open elsewhere cannot be replaced.
        TZipReader r;
        r.SetZipName(P("big.zip"));
        r.ReadDirectory();
        ASSERT_EQ(r.Count(), 2u);
        EXPECT_EQ(r.Entry(0).UncompressedSize(), kBig);
        EXPECT_EQ(r.Entry(0).VersionNeeded, 45);
        EXPECT_LT(r.Entry(0).CompressedSize(), kBig / 100);
        EXPECT_EQ(r.Entry(1).VersionNeeded, 20);
        EXPECT_FALSE(r.EndCentral().Zip64End.has_value());
    }
    EXPECT_EQ(LargeVerdicts(P("big.zip")), "");

    // Carried over by an update, the entry keeps its Zip64 sizes.
    w.SetZipName(P("big.zip"));
    w.SetTempPath(P(""));
    w.FilesList() = {File("in/more.txt", "more")};
    ASSERT_EQ(w.Zip(), 1);
#ifdef _WIN32
    EXPECT_EQ(test::PeerVerdicts(P("big.zip")), "");
#else
    std::string out;
    EXPECT_EQ(test::Run("unzip -tqq " + Q(P("big.zip")), &out), 0) << out;
#endif
}

TEST_F(Zip64LargeArchive, CentralDirectoryPast4GiBEndsWithZip64Records) {
    if (!RoomFor(kBig * 2))
        GTEST_SKIP() << "needs about 9 GiB free";
    const std::string big = Sparse("in/big.bin", kBig);
    TZipWriter w;
    w.SetZipName(P("huge.zip"));
    w.SetPackLevel(0); // stored: the archive itself passes 4 GiB
    w.FilesList() = {big, File("in/after.txt", "after the big one")};
    ASSERT_EQ(w.Zip(), 2);

    const std::string tail = Tail(P("huge.zip"), 56 + 20 + 22);
    EXPECT_EQ(U32At(tail, 0), 0x06064B50u);
    EXPECT_EQ(U64At(tail, 24), 2u);
    const std::uint64_t cdOffset = U64At(tail, 48);
    EXPECT_GT(cdOffset, 0xFFFFFFFFULL);
    EXPECT_EQ(U32At(tail, 56), 0x07064B50u);
    EXPECT_EQ(U32At(tail, 76), 0x06054B50u);
    EXPECT_EQ(U32At(tail, 76 + 16), 0xFFFFFFFFu);

    TZipReader r;
    r.SetZipName(P("huge.zip"));
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 2u);
    EXPECT_GT(r.Entry(1).RelativeOffset(), 0xFFFFFFFFULL);
    EXPECT_EQ(r.Entry(1).RelativeOffset32, 0xFFFFFFFFu);
    EXPECT_EQ(r.Entry(0).CompressedSize(), kBig);
    EXPECT_EQ(r.EndCentral().CentralOffset(), cdOffset);
    EXPECT_EQ(LargeVerdicts(P("huge.zip")), "");
    std::filesystem::remove(P("huge.zip"));
}

} // namespace
} // namespace korvel
