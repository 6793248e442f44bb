// The end-record search and the Zip64 end records, on archives laid out by hand.

#include "zipformat/little_endian.h"
#include "zipformat/zip_end_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace korvel {
namespace {

std::string EndRecord(std::uint16_t entries, std::uint32_t size, std::uint32_t offset,
                      const std::string& comment, std::uint16_t recordedCommentLength) {
    std::string out;
    PutU32(out, kEndSignature);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, entries);
    PutU16(out, entries);
    PutU32(out, size);
    PutU32(out, offset);
    PutU16(out, recordedCommentLength);
    return out + comment;
}

std::string EndRecord(std::uint16_t entries, std::uint32_t size, std::uint32_t offset,
                      const std::string& comment = {}) {
    return EndRecord(entries, size, offset, comment, static_cast<std::uint16_t>(comment.size()));
}

TEST(FindEndRecord, TooShortOrNoRoomForTheRecordIsNotFound) {
    EXPECT_FALSE(FindEndRecord(std::string(21, '\0'), TEndMatch::FirstSignature));
    // A signature in the last 21 bytes leaves no room for the fixed record.
    std::string tail(40, 'x');
    std::string sig;
    PutU32(sig, kEndSignature);
    tail.replace(25, 4, sig);
    EXPECT_FALSE(FindEndRecord(tail, TEndMatch::FirstSignature));
    EXPECT_FALSE(FindEndRecord(tail, TEndMatch::CommentInsideFile));
}

TEST(FindEndRecord, RecordWithCommentIsFoundAndParsed) {
    const std::string tail = std::string(100, 'd') + EndRecord(3, 150, 7, "a comment");
    for (TEndMatch match : {TEndMatch::FirstSignature, TEndMatch::CommentInsideFile}) {
        const auto found = FindEndRecord(tail, match);
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, 100u);
        const TEndRecordFields f =
            ParseEndRecordFields(reinterpret_cast<const std::uint8_t*>(tail.data() + *found));
        EXPECT_EQ(f.TotalEntries, 3);
        EXPECT_EQ(f.EntriesOnDisk, 3);
        EXPECT_EQ(f.CentralSize, 150u);
        EXPECT_EQ(f.CentralOffset, 7u);
        EXPECT_EQ(f.CommentLength, 9);
    }
}

// An archive comment that itself holds an end-record pattern whose recorded comment
// would run past the file: the strict rule passes over it to the real record.
TEST(FindEndRecord, StrayPatternInTheCommentIsSkippedOnlyByTheStrictRule) {
    const std::string fake = EndRecord(9, 9, 9, "", 500);
    const std::string tail = std::string(10, 'd') + EndRecord(1, 46, 0, fake + "tail");
    EXPECT_EQ(FindEndRecord(tail, TEndMatch::FirstSignature), 10u + 22u);
    EXPECT_EQ(FindEndRecord(tail, TEndMatch::CommentInsideFile), 10u);
}

std::string Zip64Record(std::uint64_t entries, std::uint64_t size, std::uint64_t offset) {
    std::string out;
    PutU32(out, kZip64EndSignature);
    PutU64(out, 44);
    PutU16(out, 45);
    PutU16(out, 45);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU64(out, entries);
    PutU64(out, entries);
    PutU64(out, size);
    PutU64(out, offset);
    return out;
}

std::string Locator(std::uint64_t recordOffset) {
    std::string out;
    PutU32(out, kZip64LocatorSignature);
    PutU32(out, 0);
    PutU64(out, recordOffset);
    PutU32(out, 1);
    return out;
}

TZip64End ReadFrom(const std::string& file, std::uint64_t endPosition) {
    return ReadZip64End(endPosition, [&](std::uint64_t at, void* out, std::size_t size) {
        if (at > file.size() || file.size() - at < size)
            return false;
        std::memcpy(out, file.data() + at, size);
        return true;
    });
}

struct TZip64Case {
    const char* label;
    std::string prefix;       // bytes before the Zip64 record
    std::uint64_t locatorsAt; // the record offset the locator records
    TZip64End::TStatus status;
};

void PrintTo(const TZip64Case& c, std::ostream* os) {
    *os << c.label;
}

class Zip64EndTest : public ::testing::TestWithParam<TZip64Case> {};

TEST_P(Zip64EndTest, RecordIsFoundWhereItLies) {
    const TZip64Case& c = GetParam();
    const std::string file =
        c.prefix + Zip64Record(70000, 46, 5) + Locator(c.locatorsAt) + EndRecord(0xFFFF, 46, 5);
    const TZip64End z = ReadFrom(file, file.size() - kEndRecordSize);
    EXPECT_EQ(z.Status, c.status);
    if (c.status == TZip64End::Found) {
        EXPECT_EQ(z.RecordOffset, c.prefix.size());
        EXPECT_EQ(z.Record.TotalEntries, 70000u);
        EXPECT_EQ(z.Locator.Zip64EndOffset, c.locatorsAt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Zip64EndTest,
    ::testing::Values(TZip64Case{"where_the_locator_points", std::string(64, 'c'), 64, TZip64End::Found},
                      // A stub put in front without adjusting the offsets: the locator is short.
                      TZip64Case{"short_locator_behind_a_stub", std::string(64, 'c'), 0, TZip64End::Found},
                      TZip64Case{"offset_far_past_the_file", std::string(64, 'c'), ~std::uint64_t{0} - 8,
                                 TZip64End::Found}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Zip64End, NoLocatorMeansAbsent) {
    const std::string file = std::string(100, 'c') + EndRecord(1, 46, 0);
    EXPECT_EQ(ReadFrom(file, 100).Status, TZip64End::Absent);
    EXPECT_EQ(ReadFrom(EndRecord(1, 46, 0), 0).Status, TZip64End::Absent);
}

TEST(Zip64End, LocatorWithoutItsRecordIsReported) {
    const std::string file = std::string(100, 'c') + Locator(3) + EndRecord(0xFFFF, 46, 5);
    EXPECT_EQ(ReadFrom(file, 120).Status, TZip64End::RecordMissing);
}

} // namespace
} // namespace korvel
