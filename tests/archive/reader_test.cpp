// Reading the directory of existing archives, good and bad.

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "archive/zip_records.h"
#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::ArchiveTest;
using test::ReadAll;
using test::WriteAll;

class ReaderTest : public ArchiveTest {
protected:
    // An archive of three small files made by our writer.
    std::string Sample(const std::string& name = "s.zip") {
        TZipWriter w;
        w.SetZipName(P(name));
        w.FilesList() = {File("in/a.txt", test::TextLike(3000, 1)),
                         File("in/b.bin", test::RandomBytes(2000, 2)), File("in/c.txt", "ccc")};
        w.Zip();
        return P(name);
    }
    TZipReader r;
};

TEST_F(ReaderTest, ReadsWhatTheWriterWrote) {
    r.SetZipName(Sample());
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 3u);
    EXPECT_EQ(r.Entry(0).FileName(), "a.txt");
    EXPECT_EQ(r.Entry(1).UncompressedSize(), 2000u);
    EXPECT_EQ(r.Entry(2).CompressedSize(), 5u); // "ccc" deflated
    EXPECT_EQ(r.EndCentral().TotalEntries(), 3u);
    try {
        r.Entry(5);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Index 5 is out of range");
    }
}

TEST_F(ReaderTest, EmptyFileIsAnEmptyArchive) {
    r.SetZipName(File("empty.zip", ""));
    r.ReadDirectory();
    EXPECT_EQ(r.Count(), 0u);
}

struct TBadCase {
    TIncompleteZipMode mode;
    std::string kind;
    std::string text;
};

class ReaderWithoutEndRecord : public ReaderTest, public ::testing::WithParamInterface<TBadCase> {};

TEST_P(ReaderWithoutEndRecord, RaisesWhatTheModeSays) {
    const auto c = GetParam();
    r.SetZipName(File("ten.zip", "0123456789"));
    r.SetIncompleteZipMode(c.mode);
    try {
        r.ReadDirectory();
        FAIL();
    } catch (const EZipException& e) {
        EXPECT_EQ(e.what(), c.text);
        const bool kindOk = (c.kind == "incomplete" && dynamic_cast<const EIncompleteZip*>(&e)) ||
                            (c.kind == "notazip" && dynamic_cast<const ENotAZipFile*>(&e)) ||
                            (c.kind == "bad" && dynamic_cast<const EBadZipFile*>(&e));
        EXPECT_TRUE(kindOk) << c.kind;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ReaderWithoutEndRecord,
                         ::testing::Values(TBadCase{izAssumeMulti, "incomplete", "Incomplete Zip File"},
                                           TBadCase{izAssumeNotAZip, "notazip", "Not a valid zip file!"},
                                           TBadCase{izAssumeBad, "bad", "Not a valid zip file!"}));

TEST_F(ReaderTest, TruncatedArchiveIsIncompleteOrRebuiltFromLocalHeaders) {
    const std::string full = ReadAll(Sample());
    // Cut inside the central directory: the local headers are whole.
    const std::string cut = full.substr(0, full.size() - 40);
    r.SetZipName(File("cut.zip", cut));
    EXPECT_THROW(r.ReadDirectory(), EIncompleteZip);
    r.SetIncompleteZipMode(izAssumeBad);
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 3u);
    EXPECT_EQ(r.Entry(2).FileName(), "c.txt");
    EXPECT_EQ(r.Entry(2).UncompressedSize(), 3u);
}

TEST_F(ReaderTest, DamagedCentralHeaderFallsBackToTheLocalHeaders) {
    std::string bytes = ReadAll(Sample());
    const auto central = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    bytes[central + 1] = 'X';
    r.SetZipName(File("dam.zip", bytes));
    r.ReadDirectory();
    EXPECT_EQ(r.Count(), 3u);
}

TEST_F(ReaderTest, CountBelowTheHeadersPresentIsTreatedAsDamage) {
    std::string bytes = ReadAll(Sample());
    const std::size_t end = bytes.size() - 22;
    bytes[end + 8] = 2;  // entries on this disk
    bytes[end + 10] = 2; // total entries
    r.SetZipName(File("low.zip", bytes));
    r.ReadDirectory(); // rebuilt from the local headers: nothing is lost
    EXPECT_EQ(r.Count(), 3u);
}

TEST_F(ReaderTest, UpdateRefusesAnEntryWhoseOffsetLeadsToAnotherEntrysHeader) {
    std::string bytes = ReadAll(Sample());
    // Point the second central header at the first local header.
    const std::size_t first = bytes.find(std::string("PK\x01\x02", 4));
    const std::size_t second = bytes.find(std::string("PK\x01\x02", 4), first + 4);
    for (int i = 0; i < 4; ++i)
        bytes[second + 42 + i] = 0;
    const std::string path = File("lie.zip", bytes);
    TZipWriter w;
    w.SetZipName(path);
    w.SetTempPath(P(""));
    w.FilesList() = {File("new.txt", "n")};
    EXPECT_THROW(w.Zip(), EBadZipFile);
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST_F(ReaderTest, LongestCommentIsFoundButNotBeyondIt) {
    std::string bytes = ReadAll(Sample());
    std::string withComment = bytes;
    withComment[withComment.size() - 2] = '\xFF';
    withComment[withComment.size() - 1] = '\xFF';
    withComment += std::string(65535, 'c');
    r.SetZipName(File("c1.zip", withComment));
    r.ReadDirectory();
    EXPECT_EQ(r.Count(), 3u);
    ASSERT_TRUE(r.EndCentral().Comment);
    EXPECT_EQ(r.EndCentral().Comment->size(), 65535u);

    std::string tooFar = bytes + std::string(65536, 'c');
    TZipReader r2;
    r2.SetZipName(File("c2.zip", tooFar));
    EXPECT_THROW(r2.ReadDirectory(), EIncompleteZip);
}

TEST_F(ReaderTest, Zip64EndRecordStandsBehindTheMarkers) {
    // One stored entry, then a directory that announces itself only through Zip64.
    TZipHeaderInfo rec;
    rec.SetFileName("z.txt");
    rec.RawName = "z.txt";
    rec.CompressionMethod = 0;
    rec.CRC32 = 0x3610A686; // crc32("hello")
    rec.SetCompressedSize(5);
    rec.SetUncompressedSize(5);
    std::string bytes = BuildLocalHeader(rec) + "hello";
    const std::uint64_t cdOffset = bytes.size();
    bytes += BuildCentralHeader(rec);
    TEndCentral end;
    end.SetCentralOffset(cdOffset);
    end.SetCentralSize(bytes.size() - cdOffset);
    end.SetTotalEntries(1);
    end.SetEntriesOnDisk(1);
    end.Zip64End.emplace(); // force the Zip64 record
    end.Zip64End->TotalEntries = 1;
    end.Zip64End->EntriesOnDisk = 1;
    end.TotalEntries16 = 0xFFFF;
    end.EntriesOnDisk16 = 0xFFFF;
    bytes += BuildEndRecords(end, bytes.size());
    r.SetZipName(File("z64.zip", bytes));
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 1u);
    EXPECT_TRUE(r.EndCentral().Zip64End.has_value());
    EXPECT_EQ(r.Entry(0).FileName(), "z.txt");
    EXPECT_EQ(test::PeerVerdicts(P("z64.zip")), "");
}

TEST_F(ReaderTest, NamesFromOtherHostsAreNotConverted) {
    if (!test::HaveTool("zip"))
        GTEST_SKIP() << "Info-ZIP's zip, which writes the Unix archive, is not installed";
    File("u/caf\xC3\xA9.txt", "x");
    std::string out;
    ASSERT_EQ(test::Run("cd " + test::Q(P("u")) + " && zip -q ../unix.zip caf\xC3\xA9.txt", &out), 0) << out;
    r.SetZipName(P("unix.zip"));
    r.ReadDirectory();
    ASSERT_EQ(r.Count(), 1u);
    EXPECT_EQ(r.Entry(0).HostByte(), 3);
    EXPECT_EQ(r.Entry(0).FileName(), "caf\xC3\xA9.txt");
}

// Damaged archives of every kind must end in an archive exception or a usable
// directory, never in a crash, a hang or an allocation the file cannot back.
TEST_F(ReaderTest, RandomDamageNeverEscapesTheArchiveExceptions) {
    const std::string good = ReadAll(Sample());
    std::mt19937 rng(12345);
    const std::size_t cd = good.find(std::string("PK\x01\x02", 4));
    int peerLooks = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bad = good;
        const int hits = 1 + static_cast<int>(rng() % 4);
        for (int h = 0; h < hits; ++h) {
            // Mostly the directory and end record, sometimes anywhere.
            const std::size_t from = (rng() % 4 == 0) ? 0 : cd;
            const std::size_t at = from + rng() % (bad.size() - from);
            bad[at] = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
        }
        if (rng() % 10 == 0)
            bad.resize(rng() % bad.size());
        const std::string path = File("fuzz.zip", bad);
        TZipWriter w;
        w.SetZipName(path);
        w.SetIncompleteZipMode(static_cast<TIncompleteZipMode>(round % 3));
        try {
            w.ReadDirectory();
            for (std::size_t i = 0; i < w.Count(); ++i)
                (void)w.Entry(i).CompressedSize();
            // Carrying the entries over checks every local header they point at.
            w.FilesList() = {File("new.txt", "n")};
            w.Zip();
        } catch (const EZipException&) {
        }
        // Whatever happened, the damaged file is either untouched or an archive whose
        // structure is sound again (entry data is carried over as it was, damage included).
        const std::string after = ReadAll(path);
        if (after != bad) {
            TZipReader check;
            check.SetZipName(path);
            EXPECT_NO_THROW(check.ReadDirectory()) << "round " << round;
            // A peer looks at a few of them too (each look costs a process start).
            if (test::HaveTool("python3") && ++peerLooks <= 5) {
                EXPECT_EQ(
                    test::Run("python3 -c \"import zipfile,sys;zipfile.ZipFile(sys.argv[1]).infolist()\" " +
                              test::Q(path)),
                    0)
                    << "round " << round;
            }
        }
    }
}

} // namespace
} // namespace korvel
