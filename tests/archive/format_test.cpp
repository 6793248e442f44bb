// The records of the archive format: defaults, 64-bit views, byte layouts.

#include <gtest/gtest.h>

#include "archive/zip_header_info.h"
#include "archive/zip_records.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using test::U16At;
using test::U32At;
using test::U64At;

TEST(ZipHeaderInfo, FreshRecordHasTheFormatDefaults) {
    TZipHeaderInfo rec;
    EXPECT_EQ(rec.VersionMadeBy, 45);
    EXPECT_EQ(rec.VersionNeeded, 20);
    EXPECT_EQ(rec.Flags, 0);
    EXPECT_EQ(rec.DateTime, 0u);
    EXPECT_EQ(rec.CRC32, 0xFFFFFFFFu);
    EXPECT_EQ(rec.CompressedSize(), 0u);
    EXPECT_EQ(rec.UncompressedSize(), 0u);
    EXPECT_EQ(rec.FileNameLength(), 0);
    EXPECT_EQ(rec.InternalAttributes, 1);
    EXPECT_EQ(rec.ExternalAttributes, 0x20u);
    EXPECT_EQ(rec.RelativeOffset(), 0u);
    EXPECT_FALSE(rec.Zip64.has_value());
    EXPECT_FALSE(rec.AesBlock.has_value());
    EXPECT_EQ(rec.NameConversion, oemNever);
    EXPECT_EQ(rec.CompressionMethod, 8);
    EXPECT_EQ(TZipHeaderInfo(oemAlways).NameConversion, oemAlways);
}

TEST(ZipHeaderInfo, NamePartsKeepTheLengthAndTheDirectorySeparator) {
    TZipHeaderInfo rec;
    rec.SetDirectory("data\\sub");
    EXPECT_EQ(rec.Directory(), "data\\sub\\");
    rec.SetFileName("a.txt");
    EXPECT_EQ(rec.FileNameLength(), 14);
    rec.SetDirectory("");
    EXPECT_EQ(rec.Directory(), "");
    EXPECT_EQ(rec.FileNameLength(), 5);
}

struct TSizeCase {
    std::uint64_t value;
    bool inBlock;
};

class ZipHeaderSizes : public ::testing::TestWithParam<TSizeCase> {};

TEST_P(ZipHeaderSizes, LargeValuesMoveIntoTheZip64Block) {
    const auto c = GetParam();
    TZipHeaderInfo rec;
    rec.SetUncompressedSize(c.value);
    rec.SetCompressedSize(c.value);
    rec.SetRelativeOffset(c.value);
    EXPECT_EQ(rec.UncompressedSize(), c.value);
    EXPECT_EQ(rec.CompressedSize(), c.value);
    EXPECT_EQ(rec.RelativeOffset(), c.value);
    EXPECT_EQ(rec.Zip64.has_value(), c.inBlock);
    EXPECT_EQ(rec.UncompressedSize32 == 0xFFFFFFFF, c.inBlock);
    EXPECT_EQ(rec.RelativeOffset32 == 0xFFFFFFFF, c.inBlock);
}

INSTANTIATE_TEST_SUITE_P(Values, ZipHeaderSizes,
                         ::testing::Values(TSizeCase{0, false}, TSizeCase{0xFFFFFFFE, false},
                                           TSizeCase{0xFFFFFFFF, true}, TSizeCase{0x100000000ULL, true},
                                           TSizeCase{0x123456789ABULL, true}));

TEST(ZipHeaderInfo, DiskNumberOverflowsAt0xFFFF) {
    TZipHeaderInfo rec;
    rec.SetDiskNumberStart(0xFFFE);
    EXPECT_EQ(rec.DiskNumberStart16, 0xFFFE);
    EXPECT_FALSE(rec.Zip64);
    rec.SetDiskNumberStart(0x10000);
    EXPECT_EQ(rec.DiskNumberStart16, 0xFFFF);
    EXPECT_EQ(rec.DiskNumberStart(), 0x10000u);
}

TEST(EndCentral, CountersAndOffsetsOverflowIntoTheZip64Record) {
    TEndCentral end;
    end.SetTotalEntries(65534);
    EXPECT_FALSE(end.NeedsZip64());
    end.SetTotalEntries(65535);
    EXPECT_EQ(end.TotalEntries16, 0xFFFF);
    EXPECT_EQ(end.TotalEntries(), 65535u);
    EXPECT_TRUE(end.NeedsZip64());

    TEndCentral e2;
    e2.SetCentralOffset(0xFFFFFFFFULL);
    EXPECT_EQ(e2.CentralOffset32, 0xFFFFFFFFu);
    EXPECT_EQ(e2.CentralOffset(), 0xFFFFFFFFULL);
    e2.SetCentralSize(100);
    EXPECT_EQ(e2.CentralSize(), 100u);
}

struct TDosCase {
    std::uint32_t in;
    std::uint32_t out;
};

std::uint32_t Dos(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
    return (s / 2) | (mi << 5) | (h << 11) | (d << 16) | (mo << 21) | ((y - 1980) << 25);
}

class DosCorrection : public ::testing::TestWithParam<TDosCase> {};

TEST_P(DosCorrection, ImpossibleFieldsAreClamped) {
    EXPECT_EQ(CorrectDosDateTime(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DosCorrection,
    ::testing::Values(TDosCase{0, Dos(1980, 1, 1, 0, 0, 0)},                          // all zero
                      TDosCase{Dos(2020, 5, 6, 7, 8, 10), Dos(2020, 5, 6, 7, 8, 10)}, // untouched
                      TDosCase{(Dos(2020, 5, 6, 0, 8, 10) | (24u << 11)), Dos(2020, 5, 6, 23, 8, 10)},
                      TDosCase{(Dos(2020, 5, 6, 7, 0, 10) | (60u << 5)), Dos(2020, 5, 6, 7, 59, 10)},
                      TDosCase{(Dos(2020, 5, 6, 7, 8, 0) | 30u), Dos(2020, 5, 6, 7, 8, 58)},
                      TDosCase{(Dos(1980, 5, 6, 7, 8, 10) | (125u << 25)), Dos(2099, 5, 6, 7, 8, 10)},
                      TDosCase{(Dos(2020, 1, 6, 7, 8, 10) & ~(0xFu << 21)) | (13u << 21),
                               Dos(2020, 12, 6, 7, 8, 10)},
                      TDosCase{(Dos(2020, 1, 6, 7, 8, 10) & ~(0xFu << 21)), Dos(2020, 1, 6, 7, 8, 10)},
                      TDosCase{(Dos(2020, 3, 1, 7, 8, 10) & ~(0x1Fu << 16)), Dos(2020, 3, 1, 7, 8, 10)}));

TZipHeaderInfo Named(const std::string& name) {
    TZipHeaderInfo rec;
    rec.SetFileName(name);
    rec.RawName = name;
    return rec;
}

TEST(LocalHeader, SmallEntryHasNoZip64BlockAndVersion20) {
    TZipHeaderInfo rec = Named("a.txt");
    rec.DateTime = 0x12345678;
    rec.CRC32 = 0xCAFEBABE;
    rec.SetCompressedSize(7);
    rec.SetUncompressedSize(9);
    const std::string h = BuildLocalHeader(rec);
    ASSERT_EQ(h.size(), 30u + 5);
    EXPECT_EQ(U32At(h, 0), 0x04034B50u);
    EXPECT_EQ(U16At(h, 4), 20);
    EXPECT_EQ(U16At(h, 8), 8);
    EXPECT_EQ(U32At(h, 10), 0x12345678u);
    EXPECT_EQ(U32At(h, 14), 0xCAFEBABEu);
    EXPECT_EQ(U32At(h, 18), 7u);
    EXPECT_EQ(U32At(h, 22), 9u);
    EXPECT_EQ(U16At(h, 26), 5);
    EXPECT_EQ(U16At(h, 28), 0);
    EXPECT_EQ(h.substr(30), "a.txt");
}

TEST(LocalHeader, LargeEntryCarriesBothSizesInItsZip64Block) {
    TZipHeaderInfo rec = Named("big");
    rec.SetUncompressedSize(0x100000005ULL);
    rec.SetCompressedSize(1000);
    const std::string h = BuildLocalHeader(rec);
    EXPECT_EQ(U16At(h, 4), 45);
    EXPECT_EQ(U32At(h, 18), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(h, 22), 0xFFFFFFFFu);
    ASSERT_EQ(U16At(h, 28), 20);
    EXPECT_EQ(U16At(h, 33), 1);  // tag
    EXPECT_EQ(U16At(h, 35), 16); // size
    EXPECT_EQ(U64At(h, 37), 0x100000005ULL);
    EXPECT_EQ(U64At(h, 45), 1000u);

    // The central variant holds only what overflowed.
    const std::string c = BuildCentralHeader(rec);
    EXPECT_EQ(U16At(c, 6), 45);
    EXPECT_EQ(U32At(c, 20), 1000u);
    EXPECT_EQ(U32At(c, 24), 0xFFFFFFFFu);
    ASSERT_EQ(U16At(c, 30), 12);
    EXPECT_EQ(U16At(c, 46 + 3), 1);
    EXPECT_EQ(U16At(c, 46 + 5), 8);
    EXPECT_EQ(U64At(c, 46 + 7), 0x100000005ULL);
}

TEST(CentralHeader, LayoutAndForeignBlocksBeforeOwnBlocks) {
    TZipHeaderInfo rec = Named("x");
    rec.VersionMadeBy = 0x031E;
    rec.ExternalAttributes = 0x81A40000;
    rec.InternalAttributes = 1;
    rec.ForeignCentralExtra = std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9);
    rec.SetRelativeOffset(0x100000000ULL);
    rec.FileCommentLength = 3;
    rec.Comment = "abc";
    const std::string c = BuildCentralHeader(rec);
    EXPECT_EQ(U32At(c, 0), 0x02014B50u);
    EXPECT_EQ(U16At(c, 4), 0x031E);
    EXPECT_EQ(U16At(c, 6), 45);
    EXPECT_EQ(U16At(c, 30), 9 + 12);
    EXPECT_EQ(U16At(c, 32), 3);
    EXPECT_EQ(U16At(c, 36), 1);
    EXPECT_EQ(U32At(c, 38), 0x81A40000u);
    EXPECT_EQ(U32At(c, 42), 0xFFFFFFFFu);
    EXPECT_EQ(c.substr(47, 9), rec.ForeignCentralExtra);
    EXPECT_EQ(U16At(c, 56), 1);
    EXPECT_EQ(U64At(c, 60), 0x100000000ULL);
    EXPECT_EQ(c.substr(c.size() - 3), "abc");
}

TEST(CentralHeader, UnneededZip64BlockIsDiscarded) {
    TZipHeaderInfo rec = Named("x");
    rec.Zip64.emplace();
    const std::string c = BuildCentralHeader(rec);
    EXPECT_EQ(U16At(c, 30), 0);
    EXPECT_FALSE(rec.Zip64);
    EXPECT_EQ(U16At(c, 6), 20);
}

TEST(AesBlock, EncryptedAesRecordGetsMethod99AndTheBlockInBothHeaders) {
    TZipHeaderInfo rec = Named("s");
    rec.Flags |= kFlagEncrypted;
    rec.AesStrength = 3;
    const std::string l = BuildLocalHeader(rec);
    EXPECT_EQ(U16At(l, 8), 99);
    ASSERT_EQ(U16At(l, 28), 11);
    const std::string block = l.substr(31);
    EXPECT_EQ(block, std::string("\x01\x99\x07\x00\x01\x00\x41\x45\x03\x08\x00", 11));
    const std::string c = BuildCentralHeader(rec);
    EXPECT_EQ(U16At(c, 10), 99);
    EXPECT_EQ(c.substr(47), block);
}

TEST(CentralExtra, ParsingTakesZip64ValuesByMarkerAndKeepsForeignBlocks) {
    TZipHeaderInfo rec;
    rec.UncompressedSize32 = 0xFFFFFFFF;
    rec.RelativeOffset32 = 0xFFFFFFFF;
    std::string extra;
    PutU16(extra, 0x5455);
    PutU16(extra, 1);
    extra += 'z';
    PutU16(extra, 1);
    PutU16(extra, 16);
    PutU64(extra, 0x200000000ULL);
    PutU64(extra, 0x300000000ULL);
    PutU16(extra, 0x000A);
    PutU16(extra, 0);
    ASSERT_TRUE(ParseCentralExtra(extra, rec));
    EXPECT_EQ(rec.UncompressedSize(), 0x200000000ULL);
    EXPECT_EQ(rec.RelativeOffset(), 0x300000000ULL);
    EXPECT_EQ(rec.Zip64LengthRead, 20);
    std::string foreign;
    PutU16(foreign, 0x5455);
    PutU16(foreign, 1);
    foreign += 'z';
    PutU16(foreign, 0x000A);
    PutU16(foreign, 0);
    EXPECT_EQ(rec.ForeignCentralExtra, foreign);
}

TEST(CentralExtra, TruncatedBlocksAreRejected) {
    TZipHeaderInfo rec;
    rec.UncompressedSize32 = 0xFFFFFFFF;
    std::string extra;
    PutU16(extra, 1);
    PutU16(extra, 4); // too small for the size the marker asks for
    PutU32(extra, 0);
    EXPECT_FALSE(ParseCentralExtra(extra, rec));
    std::string runaway;
    PutU16(runaway, 0x7075);
    PutU16(runaway, 200);
    EXPECT_FALSE(ParseCentralExtra(runaway, rec));
}

TEST(EndRecords, SmallArchiveHasOnlyTheEndRecord) {
    TEndCentral end;
    end.SetTotalEntries(2);
    end.SetEntriesOnDisk(2);
    end.SetCentralSize(100);
    end.SetCentralOffset(200);
    const std::string b = BuildEndRecords(end, 300);
    ASSERT_EQ(b.size(), 22u);
    EXPECT_EQ(U32At(b, 0), 0x06054B50u);
    EXPECT_EQ(U16At(b, 8), 2);
    EXPECT_EQ(U16At(b, 10), 2);
    EXPECT_EQ(U32At(b, 12), 100u);
    EXPECT_EQ(U32At(b, 16), 200u);
}

TEST(EndRecords, OverflowWritesZip64RecordAndLocatorBeforeTheEndRecord) {
    TEndCentral end;
    end.SetTotalEntries(3);
    end.SetEntriesOnDisk(3);
    end.SetCentralSize(150);
    end.SetCentralOffset(0x123456789ULL);
    end.Comment = "hi";
    end.CommentLength = 2;
    const std::uint64_t pos = 0x123456789ULL + 150;
    const std::string b = BuildEndRecords(end, pos);
    ASSERT_EQ(b.size(), 56u + 20 + 22 + 2);
    EXPECT_EQ(U32At(b, 0), 0x06064B50u);
    EXPECT_EQ(U64At(b, 4), 44u);
    EXPECT_EQ(U16At(b, 12), 45);
    EXPECT_EQ(U16At(b, 14), 45);
    EXPECT_EQ(U64At(b, 24), 3u);
    EXPECT_EQ(U64At(b, 32), 3u);
    EXPECT_EQ(U64At(b, 40), 150u);
    EXPECT_EQ(U64At(b, 48), 0x123456789ULL);
    EXPECT_EQ(U32At(b, 56), 0x07064B50u);
    EXPECT_EQ(U32At(b, 60), 0u);
    EXPECT_EQ(U64At(b, 64), pos);
    EXPECT_EQ(U32At(b, 72), 1u);
    EXPECT_EQ(U32At(b, 76), 0x06054B50u);
    EXPECT_EQ(U32At(b, 76 + 16), 0xFFFFFFFFu);
    EXPECT_EQ(b.substr(b.size() - 2), "hi");
}

TEST(LocalExtra, OwnBlocksAreStrippedForeignOnesKept) {
    std::string extra;
    PutU16(extra, 1);
    PutU16(extra, 16);
    PutU64(extra, 1);
    PutU64(extra, 2);
    PutU16(extra, 0x5455);
    PutU16(extra, 1);
    extra += 'q';
    std::string expected;
    PutU16(expected, 0x5455);
    PutU16(expected, 1);
    expected += 'q';
    EXPECT_EQ(StripOwnExtraBlocks(extra), expected);
}

} // namespace
} // namespace korvel
