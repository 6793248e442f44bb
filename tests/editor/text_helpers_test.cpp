// The editor's pure pieces: archive extensions, month days, numbers, filter table and captions.

#include <gtest/gtest.h>

#include "editor/archive_extension.h"
#include "editor/dir_filter_slots.h"
#include "editor/filter_captions.h"
#include "editor/integer_text.h"
#include "editor/month_days.h"
#include "platform/dir_separator.h"

using namespace korvel;

TEST(ArchiveExtension, FollowsTheCompressionType) {
    struct Case {
        std::string name;
        int type;
        std::string expected;
    };
    const Case cases[] = {
        {"mybackup_%yyyy_%mm_%dd.zip", 2, "mybackup_%yyyy_%mm_%dd.exe"},
        {"mybackup_%yyyy_%mm_%dd.exe", 1, "mybackup_%yyyy_%mm_%dd.zip"},
        {"mybackup_%yyyy_%mm_%dd.zip", 0, "mybackup_%yyyy_%mm_%dd.zip"},
        {"backup", 2, "backup.exe"},
        {"my.backup", 2, "my.backup.exe"}, // the only dot lies before the last four characters
        {"data.7z", 1, "data.zip"},
        {"a.b", 2, "a.exe"}, // short names: the dot anywhere
        {".zip", 2, ".exe"},
        {"", 1, ".zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchiveNameForType(c.name, c.type), c.expected) << c.name << " -> " << c.type;
}

TEST(MonthDays, ParsedFromAnyMixOfSeparators) {
    TMonthDays expected{};
    expected[0] = expected[10] = expected[20] = true;
    for (const char* text : {"1,11,21", "1;11;21", "1 11 21", " 1 ;, 11\t21 ,", "21, 1, 11, 11"}) {
        const auto parsed = ParseMonthDays(text);
        EXPECT_EQ(parsed.error, TMonthDaysParse::Error::None) << text;
        EXPECT_EQ(parsed.days, expected) << text;
    }
    EXPECT_EQ(FormatMonthDays(expected), "1, 11, 21");
    EXPECT_EQ(FormatMonthDays({}), "");
    EXPECT_EQ(ParseMonthDays("").days, TMonthDays{});
    EXPECT_EQ(ParseMonthDays("31").days[30], true);
}

TEST(MonthDays, BadWordsAreNamed) {
    struct Case {
        const char* text;
        TMonthDaysParse::Error error;
        const char* word;
    };
    const Case cases[] = {
        {"0", TMonthDaysParse::Error::OutOfRange, "0"},
        {"5, 32", TMonthDaysParse::Error::OutOfRange, "32"},
        {"-1", TMonthDaysParse::Error::OutOfRange, "-1"},
        {"1-5", TMonthDaysParse::Error::NotInteger, "1-5"},
        {"3 x", TMonthDaysParse::Error::NotInteger, "x"},
        {"99999999999", TMonthDaysParse::Error::NotInteger, "99999999999"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseMonthDays(c.text);
        EXPECT_EQ(parsed.error, c.error) << c.text;
        EXPECT_EQ(parsed.badWord, c.word) << c.text;
    }
}

TEST(IntegerText, DecimalInt32Only) {
    EXPECT_EQ(ParseDecimalInt("10"), 10);
    EXPECT_EQ(ParseDecimalInt("+7"), 7);
    EXPECT_EQ(ParseDecimalInt("-3"), -3);
    EXPECT_EQ(ParseDecimalInt("2147483647"), 2147483647);
    for (const char* bad : {"", "+", "-", "+-1", "1.5", "12a", " 1", "0x10", "2147483648"})
        EXPECT_FALSE(ParseDecimalInt(bad).has_value()) << bad;
}

TEST(DirSeparator, AppendedUnlessPresent) {
    EXPECT_EQ(WithDirSeparator(""), "");
    EXPECT_EQ(WithDirSeparator("/srv/backup"), "/srv/backup/");
    EXPECT_EQ(WithDirSeparator("/srv/backup/"), "/srv/backup/");
    EXPECT_EQ(WithDirSeparator("/"), "/");
#ifndef _WIN32
    EXPECT_EQ(WithDirSeparator("/srv/back\\"), "/srv/back\\/") << "a backslash is a name character here";
#endif
}

namespace {

TTask TaskWithPairs(int n) {
    TTask t;
    t.UseIndFilters = true;
    for (int i = 0; i < n; ++i) {
        t.SourceDirs.push_back("/d" + std::to_string(i) + "/");
        t.Filters[static_cast<std::size_t>(i)] = {"*." + std::to_string(i), "x" + std::to_string(i)};
    }
    return t;
}

} // namespace

TEST(DirFilterSlots, SelectStoresTheShownSlotAndLoadsTheNext) {
    TDirFilterSlots table;
    table.Load(TaskWithPairs(3), 3);
    TFilterPair edits;
    table.Select(0, 3, edits);
    EXPECT_EQ(edits, (TFilterPair{"*.0", "x0"}));
    edits.IncludeFilter = "*.doc";
    table.Select(1, 3, edits);
    EXPECT_EQ(edits, (TFilterPair{"*.1", "x1"}));
    EXPECT_EQ(table.Slot(0), (TFilterPair{"*.doc", "x0"}));
    table.Select(-1, 3, edits);
    EXPECT_EQ(edits, TFilterPair{}) << "no line selected clears the edits";
    EXPECT_EQ(table.Shown(), -1);
}

TEST(DirFilterSlots, AddDeleteAndStartAll) {
    TDirFilterSlots table;
    table.Load(TaskWithPairs(3), 3);
    table.Deleted(0, 3);
    EXPECT_EQ(table.Shown(), -1);
    EXPECT_EQ(table.Slot(0), (TFilterPair{"*.1", "x1"}));
    EXPECT_EQ(table.Slot(1), (TFilterPair{"*.2", "x2"}));
    table.Added(2);
    EXPECT_EQ(table.Slot(2), (TFilterPair{"*", ""}));
    table.StartAll({"*.txt", "*.tmp"}, 3, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(table.Slot(i), (TFilterPair{"*.txt", "*.tmp"}));
    EXPECT_EQ(table.Shown(), 1);
    table.Added(kMaxFilterPairs); // past the table: ignored, no crash
    table.Deleted(kMaxFilterPairs + 5, kMaxFilterPairs + 6);
}

TEST(FilterCaptions, ShortenedToTheNearestCharacterCount) {
    const auto width = [](const QString& text) { return static_cast<int>(text.size()) * 10; };
    EXPECT_EQ(ShortenToWidth("abcdef", 60, width), "abcdef");
    EXPECT_EQ(ShortenToWidth("abcdefghij", 44, width), "abcd...");  // 10 x 44 / 100 = 4.4
    EXPECT_EQ(ShortenToWidth("abcdefghij", 46, width), "abcde..."); // 4.6 rounds up
    EXPECT_EQ(ShortenToWidth("abcdefghij", -20, width), "...");
}
