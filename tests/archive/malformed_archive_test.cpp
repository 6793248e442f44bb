// Archives that lie about themselves, one lie per row. Each row names the one
// outcome the reader must have in each incomplete-archive mode and the one outcome
// of an update: the engine's exception and its text, or the entries a sound read
// yields. A failed update leaves the archive exactly as it was.

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

#include "archive/zip_names.h"
#include "archive/zip_records.h"
#include "archive/zip_writer.h"
#include "archive_fixture.h"

namespace korvel {
namespace {

using namespace std::string_literals;

using test::ArchiveTest;
using test::ReadAll;
using test::WriteAll;

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::string Le16(std::uint16_t v) {
    std::string s(2, '\0');
    Put16(s, 0, v);
    return s;
}
std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    Put32(s, 0, v);
    return s;
}
std::string Le64(std::uint64_t v) {
    return Le32(static_cast<std::uint32_t>(v)) + Le32(static_cast<std::uint32_t>(v >> 32));
}

// A stored archive built by hand, so that every field is ours to break.
struct TEntrySpec {
    std::string name;
    std::string data;
};

struct THandArchive {
    std::string bytes;
    std::vector<std::size_t> localAt;   // offset of each local header
    std::vector<std::size_t> centralAt; // offset of each central header
    std::size_t endAt = 0;              // offset of the end record
};

std::uint32_t Crc(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

THandArchive Build(const std::vector<TEntrySpec>& entries, const std::string& comment = "") {
    THandArchive a;
    const std::uint32_t dosTime = (44u << 25) | (3u << 21) | (5u << 16) | (12u << 11); // 2024-03-05 12:00
    for (const auto& e : entries) {
        a.localAt.push_back(a.bytes.size());
        a.bytes += Le32(0x04034B50) + Le16(10) + Le16(0) + Le16(0) + Le32(dosTime) + Le32(Crc(e.data)) +
                   Le32(static_cast<std::uint32_t>(e.data.size())) +
                   Le32(static_cast<std::uint32_t>(e.data.size())) +
                   Le16(static_cast<std::uint16_t>(e.name.size())) + Le16(0) + e.name + e.data;
    }
    const std::size_t cdStart = a.bytes.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        a.centralAt.push_back(a.bytes.size());
        a.bytes += Le32(0x02014B50) + Le16(20) + Le16(10) + Le16(0) + Le16(0) + Le32(dosTime) +
                   Le32(Crc(e.data)) + Le32(static_cast<std::uint32_t>(e.data.size())) +
                   Le32(static_cast<std::uint32_t>(e.data.size())) +
                   Le16(static_cast<std::uint16_t>(e.name.size())) + Le16(0) + Le16(0) + Le16(0) + Le16(0) +
                   Le32(0) + Le32(static_cast<std::uint32_t>(a.localAt[i])) + e.name;
    }
    const std::size_t cdSize = a.bytes.size() - cdStart;
    a.endAt = a.bytes.size();
    a.bytes += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(static_cast<std::uint16_t>(entries.size())) +
               Le16(static_cast<std::uint16_t>(entries.size())) + Le32(static_cast<std::uint32_t>(cdSize)) +
               Le32(static_cast<std::uint32_t>(cdStart)) + Le16(static_cast<std::uint16_t>(comment.size())) +
               comment;
    return a;
}

const std::vector<TEntrySpec> kTwo = {{"first.txt", "the first entry's bytes\n"},
                                      {"second.txt", "and the second one's\n"}};

// End-record field offsets.
constexpr std::size_t kEndEntriesOnDisk = 8, kEndTotal = 10, kEndCdSize = 12, kEndCdOffset = 16,
                      kEndCommentLen = 20;
// Central-header field offsets.
constexpr std::size_t kCenCompressed = 20, kCenNameLen = 28, kCenLocalOffset = 42;

// What a read or an update came to: "<exception>: <text>", or "entries: <names>"
// (for an update, the names in the archive written).
using TOutcome = std::string;

struct TMalformedCase {
    const char* name;
    std::function<std::string()> make;
    // Reading with izAssumeMulti, izAssumeBad, izAssumeNotAZip.
    TOutcome multi;
    TOutcome bad;
    TOutcome notAZip;
    // Adding "new one.txt" and "another.txt" with izAssumeBad.
    TOutcome update;
};

std::string WithZip64(const THandArchive& a, std::uint64_t recordAt, std::uint64_t cdOffset) {
    // A Zip64 end record and locator slipped in before the end record.
    std::string b = a.bytes.substr(0, a.endAt);
    const std::size_t recAt = b.size();
    b += Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(2) + Le64(2) +
         Le64(a.endAt - a.centralAt[0]) + Le64(cdOffset);
    b += Le32(0x07064B50) + Le32(0) + Le64(recordAt == UINT64_MAX ? recAt : recordAt) + Le32(1);
    std::string end = a.bytes.substr(a.endAt);
    Put16(end, kEndTotal, 0xFFFF);
    Put16(end, kEndEntriesOnDisk, 0xFFFF);
    Put32(end, kEndCdOffset, 0xFFFFFFFF);
    return b + end;
}

// A sound read lists these entries; an update adds the two new files behind them.
TOutcome Read(const std::string& names) {
    return "entries: " + names;
}
TOutcome Updated(const std::string& names) {
    return Read(names + ", new one.txt, another.txt");
}
const TOutcome kBoth = Read("first.txt, second.txt");
const TOutcome kBothAndNew = Updated("first.txt, second.txt");
const TOutcome kNotValid = "EBadZipFile: Not a valid zip file!";
const TOutcome kIncomplete = "EIncompleteZip: Incomplete Zip File";
const TOutcome kNotAZip = "ENotAZipFile: Not a valid zip file!";

std::vector<TMalformedCase> Cases() {
    return {
        {"BadEndSignature",
         [] {
             auto a = Build(kTwo);
             a.bytes[a.endAt + 3] = 0x07;
             return a.bytes;
         },
         kIncomplete, kBoth, kNotAZip, kBothAndNew},
        {"CommentLongerThanItsField",
         [] {
             auto a = Build(kTwo, "a comment");
             Put16(a.bytes, a.endAt + kEndCommentLen, 3);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CommentShorterThanItsField",
         [] {
             auto a = Build(kTwo, "abc");
             Put16(a.bytes, a.endAt + kEndCommentLen, 400);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CountTooHigh",
         [] {
             auto a = Build(kTwo);
             Put16(a.bytes, a.endAt + kEndTotal, 9);
             Put16(a.bytes, a.endAt + kEndEntriesOnDisk, 9);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CountTooLow",
         [] {
             auto a = Build(kTwo);
             Put16(a.bytes, a.endAt + kEndTotal, 1);
             Put16(a.bytes, a.endAt + kEndEntriesOnDisk, 1);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CentralOffsetPastTheFile",
         [] {
             auto a = Build(kTwo);
             Put32(a.bytes, a.endAt + kEndCdOffset, static_cast<std::uint32_t>(a.bytes.size() + 1000));
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CentralSizePastTheFile",
         [] {
             auto a = Build(kTwo);
             Put32(a.bytes, a.endAt + kEndCdSize, 0x7FFFFFF0);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"CentralDirectoryOverlapsTheEndRecord",
         [] {
             auto a = Build(kTwo);
             Put32(a.bytes, a.endAt + kEndCdOffset, static_cast<std::uint32_t>(a.endAt - 10));
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"Zip64LocatorPointingNowhere",
         [] {
             const auto a = Build(kTwo);
             return WithZip64(a, 0xFFFFFFFFFFull, a.centralAt[0]);
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"Zip64RecordPointingNowhere",
         [] {
             const auto a = Build(kTwo);
             return WithZip64(a, UINT64_MAX, 0x7FFFFFFFFFFFull);
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"LocalOffsetIntoGarbage",
         [] {
             auto a = Build(kTwo);
             // The second entry points into the middle of the first one's data.
             Put32(a.bytes, a.centralAt[1] + kCenLocalOffset, static_cast<std::uint32_t>(a.localAt[0] + 35));
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kNotValid},
        {"LocalOffsetAtGarbageThatLooksLikeData",
         [] {
             // The first entry's data is a fake local header of another name: an offset into
             // it finds a signature, but not the entry the directory describes.
             std::string fake = Le32(0x04034B50) + std::string(22, '\0') + Le16(4) + Le16(0) + "evil";
             auto a = Build({{"first.txt", fake + "payload"}, {"second.txt", "second"}});
             Put32(a.bytes, a.centralAt[1] + kCenLocalOffset,
                   static_cast<std::uint32_t>(a.localAt[0] + 30 + 9));
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kNotValid},
        {"CompressedSizePastTheEnd",
         [] {
             auto a = Build(kTwo);
             Put32(a.bytes, a.centralAt[1] + kCenCompressed, 0x7FFFFFF0);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"NameWithNulByte",
         [] {
             auto a = Build({{std::string("fir\0t.txt", 9), "x"}, {"second.txt", "y"}});
             return a.bytes;
         },
         Read("fir\0t.txt, second.txt"s), Read("fir\0t.txt, second.txt"s), Read("fir\0t.txt, second.txt"s),
         Updated("fir\0t.txt, second.txt"s)},
        {"NameLengthPastTheDirectory",
         [] {
             auto a = Build(kTwo);
             Put16(a.bytes, a.centralAt[1] + kCenNameLen, 0xFFFF);
             return a.bytes;
         },
         kBoth, kBoth, kBoth, kBothAndNew},
        {"NameClimbingOutOfTheRoot",
         [] {
             return Build({{"../escaped.txt", "x"}, {"second.txt", "y"}}).bytes;
         },
         Read("..\\escaped.txt, second.txt"), Read("..\\escaped.txt, second.txt"),
         Read("..\\escaped.txt, second.txt"), Updated("..\\escaped.txt, second.txt")},
        {"AbsoluteName",
         [] {
             return Build({{"/tmp/absolute.txt", "x"}, {"second.txt", "y"}}).bytes;
         },
         Read("\\tmp\\absolute.txt, second.txt"), Read("\\tmp\\absolute.txt, second.txt"),
         Read("\\tmp\\absolute.txt, second.txt"), Updated("\\tmp\\absolute.txt, second.txt")},
        {"DriveLetterName",
         [] {
             return Build({{"C:\\windows\\drive.txt", "x"}, {"second.txt", "y"}}).bytes;
         },
         Read("C:\\windows\\drive.txt, second.txt"), Read("C:\\windows\\drive.txt, second.txt"),
         Read("C:\\windows\\drive.txt, second.txt"), Updated("C:\\windows\\drive.txt, second.txt")},
        {"TruncatedInTheDirectory",
         [] {
             auto a = Build(kTwo);
             return a.bytes.substr(0, a.centralAt[1] + 10);
         },
         kIncomplete, kBoth, kNotAZip, kBothAndNew},
    };
}

// The engine's exception and its text.
TOutcome Raised(const std::exception& e) {
    const char* type = dynamic_cast<const EBadZipFile*>(&e)      ? "EBadZipFile"
                       : dynamic_cast<const EIncompleteZip*>(&e) ? "EIncompleteZip"
                       : dynamic_cast<const ENotAZipFile*>(&e)   ? "ENotAZipFile"
                       : dynamic_cast<const EZipException*>(&e)  ? "EZipException"
                       : dynamic_cast<const EFCreateError*>(&e)  ? "EFCreateError"
                       : dynamic_cast<const EFOpenError*>(&e)    ? "EFOpenError"
                       : dynamic_cast<const EStreamError*>(&e)   ? "EStreamError"
                       : dynamic_cast<const EZLibError*>(&e)     ? "EZLibError"
                                                                 : "not an engine error";
    return std::string(type) + ": " + e.what();
}

TOutcome Entries(const TZipReader& reader) {
    std::string names;
    for (const TZipHeaderInfo& rec : reader.Entries())
        names += (names.empty() ? "" : ", ") + rec.FullName();
    return "entries: " + names;
}

// Every entry the directory offers must lie inside the file. The directory alone
// cannot vouch for the local headers (an update checks those as it copies); an
// archive this program wrote must also start every entry with a local header of
// the entry's own name.
std::string Soundness(const TZipReader& reader, const std::string& bytes, bool localHeaders) {
    for (const TZipHeaderInfo& rec : reader.Entries()) {
        const std::uint64_t at = rec.RelativeOffset();
        if (at > bytes.size() || bytes.size() - at < kLocalHeaderSize)
            return rec.FullName() + ": offset past the end";
        if (rec.CompressedSize() > bytes.size() - at - kLocalHeaderSize)
            return rec.FullName() + ": data past the end";
        if (!localHeaders)
            continue;
        if (test::U32At(bytes, at) != kLocalSignature)
            return rec.FullName() + ": no local header at its offset";
        const std::size_t nameLen = test::U16At(bytes, at + 26);
        if (bytes.compare(at + kLocalHeaderSize, nameLen, rec.RawName) != 0)
            return rec.FullName() + ": the local header names another entry";
    }
    return {};
}

void PrintTo(const TMalformedCase& c, std::ostream* os) {
    *os << c.name;
}

class MalformedArchiveTest : public ArchiveTest, public ::testing::WithParamInterface<TMalformedCase> {};

TEST_P(MalformedArchiveTest, ReaderHasTheOneOutcomeOfItsMode) {
    const std::string bytes = GetParam().make();
    const std::string zip = File("bad.zip", bytes);
    const std::vector<std::pair<TIncompleteZipMode, TOutcome>> modes = {
        {izAssumeMulti, GetParam().multi},
        {izAssumeBad, GetParam().bad},
        {izAssumeNotAZip, GetParam().notAZip}};
    for (const auto& [mode, expected] : modes) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        TZipReader reader;
        reader.SetZipName(zip);
        reader.SetDoProcessMessages(false);
        reader.SetIncompleteZipMode(mode);
        TOutcome outcome;
        try {
            reader.ReadDirectory();
            reader.LoadArchiveComment();
            EXPECT_EQ(Soundness(reader, bytes, false), "");
            outcome = Entries(reader);
        } catch (const std::exception& e) {
            outcome = Raised(e);
            EXPECT_EQ(reader.Count(), 0u);
        }
        EXPECT_EQ(outcome, expected);
    }
    EXPECT_EQ(ReadAll(zip), bytes);
}

TEST_P(MalformedArchiveTest, UpdateHasTheOneOutcomeOfItsRow) {
    const std::string bytes = GetParam().make();
    const std::string zip = File("work/bad.zip", bytes);
    const std::string n1 = File("src/new one.txt", "fresh bytes\n");
    const std::string n2 = File("src/another.txt", "another new file\n");
    std::filesystem::create_directories(P("tmp"));

    // What a peer could get out of the old archive must survive the update.
    const auto readable = test::ExtractEntries(zip);

    TZipWriter w;
    w.SetZipName(zip);
    w.SetTempPath(P("tmp/"));
    w.SetDoProcessMessages(false);
    w.SetIncompleteZipMode(izAssumeBad);
    w.OnHandleMessage = [](TZipWriter&, int, const std::string&, const std::string&, unsigned, int&) {};
    w.FilesList() = {n1, n2};
    bool failed = false;
    TOutcome outcome;
    try {
        w.Zip();
    } catch (const std::exception& e) {
        outcome = Raised(e);
        failed = true;
    }
    EXPECT_TRUE(std::filesystem::is_empty(P("tmp"))) << "a temporary archive was left behind";
    // Nothing may appear outside the archive's own folder, whatever the names say.
    std::vector<std::string> workFiles;
    for (const auto& e : std::filesystem::recursive_directory_iterator(P("work")))
        workFiles.push_back(e.path().filename().string());
    EXPECT_EQ(workFiles, std::vector<std::string>{"bad.zip"});
    EXPECT_FALSE(std::filesystem::exists(P("escaped.txt")));

    const std::string after = ReadAll(zip);
    if (failed) {
        EXPECT_EQ(outcome, GetParam().update);
        EXPECT_EQ(after, bytes) << "a failed update changed the archive";
        return;
    }
    TZipReader check;
    check.SetZipName(zip);
    check.SetDoProcessMessages(false);
    check.SetIncompleteZipMode(izAssumeNotAZip);
    ASSERT_NO_THROW(check.ReadDirectory());
    EXPECT_EQ(Entries(check), GetParam().update);
    EXPECT_EQ(Soundness(check, after, true), "");
    bool haveNew = false;
    for (const TZipHeaderInfo& rec : check.Entries())
        haveNew = haveNew || LowerName(rec.FullName()) == "new one.txt";
    EXPECT_TRUE(haveNew);
    if (test::HaveTool("unzip")) {
        std::string output;
        EXPECT_EQ(test::Run("unzip -tqq " + test::Q(zip), &output), 0) << output;
    }
    auto key = [](std::string name) {
        for (char& c : name)
            c = c == '\\' ? '/' : c;
        return LowerName(name);
    };
    std::map<std::string, std::string> kept;
    for (const auto& [name, data] : test::ExtractEntries(zip))
        kept[key(name)] = data;
    for (const auto& [name, data] : readable) {
        const auto it = kept.find(key(name));
        if (it == kept.end())
            ADD_FAILURE() << "the update lost \"" << name << "\"";
        else
            EXPECT_EQ(it->second, data) << "the update changed \"" << name << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedArchiveTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TMalformedCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace korvel
