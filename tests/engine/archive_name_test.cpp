#include <gtest/gtest.h>

#include <algorithm>

#include "engine/archive_name.h"
#include "platform/path.h"
#include "tasks/task.h"
#include "temp_tree.h"

namespace korvel {
namespace {

using test::TTempTree;

const TCalendarDate kMarch5{2024, 3, 5};

std::string Dest(const TTempTree& tree) {
    return tree.Path() + "/";
}

std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const auto& p : paths)
        names.push_back(p.substr(p.find_last_of('/') + 1));
    return names;
}

TEST(ParseArchiveName, BuildsNameMaskAndNumberPosition) {
    const TArchiveNamePattern p = ParseArchiveName("mybackup_%yyyy_%mm_%dd.zip", kMarch5);
    EXPECT_EQ(p.Expanded, "mybackup_2024_03_05.zip");
    EXPECT_EQ(p.MatchMask, "mybackup_????_??_??.zip");
    EXPECT_EQ(p.NumberPos, 0);
    EXPECT_EQ(p.StarName(), "*mybackup_2024_03_05.zip");

    const TArchiveNamePattern n = ParseArchiveName("B_%YY%Mm_%nNn.zip", {2005, 11, 30});
    EXPECT_EQ(n.Expanded, "B_0511_.zip");
    EXPECT_EQ(n.MatchMask, "B_????_*.zip");
    EXPECT_EQ(n.NumberPos, 8);
    EXPECT_EQ(n.NumberWidth, 3);
    EXPECT_EQ(n.StarName(), "B_0511_*.zip");
    EXPECT_EQ(n.StarName().size(), n.MatchMask.size());

    EXPECT_EQ(ParseArchiveName("%yyy", kMarch5).Expanded, "24y");
    EXPECT_EQ(ParseArchiveName("%yyyy", {987, 1, 1}).Expanded, "0987");
}

class InvalidPattern : public ::testing::TestWithParam<const char*> {};

TEST_P(InvalidPattern, Raises) {
    TTempTree tree;
    try {
        ExpandArchiveName(GetParam(), Dest(tree), true, 0, kMarch5);
        FAIL() << GetParam();
    } catch (const EArchiveNameError& e) {
        EXPECT_STREQ(e.what(), "Invalid variables in zip file name.");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InvalidPattern,
                         ::testing::Values("report%.zip", "a_%n_%n.zip", "%nn%nnnn", "%x.zip", "%%",
                                           "a%y.zip", "%m", "%d.zip", "end%"));

TEST(ExpandArchiveName, DatePatternGivesTheSameNameTwiceADay) {
    TTempTree tree;
    const auto first = ExpandArchiveName("mybackup_%yyyy_%mm_%dd.zip", Dest(tree), false, 10, kMarch5);
    EXPECT_EQ(first.Path, Dest(tree) + "mybackup_2024_03_05.zip");
    tree.Write("mybackup_2024_03_05.zip");
    EXPECT_EQ(ExpandArchiveName("mybackup_%yyyy_%mm_%dd.zip", Dest(tree), false, 10, kMarch5).Path,
              first.Path);
    EXPECT_EQ(ExpandArchiveName("mybackup_%YYYY_%MM_%DD.zip", Dest(tree), false, 10, kMarch5).Path,
              first.Path);
}

struct TNumberCase {
    const char* Pattern;
    std::vector<std::string> Present;
    TCalendarDate Date;
    const char* Expected;
};

class SequenceNumber : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(SequenceNumber, NumbersOnFromTheArchivesPresent) {
    const TNumberCase& c = GetParam();
    TTempTree tree;
    for (const auto& name : c.Present)
        tree.Write(name);
    EXPECT_EQ(ExpandArchiveName(c.Pattern, Dest(tree), false, 10, c.Date).Path, Dest(tree) + c.Expected)
        << c.Pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SequenceNumber,
    ::testing::Values(
        TNumberCase{"backup_%nnn.zip", {"backup_001.zip", "backup_007.zip"}, kMarch5, "backup_008.zip"},
        TNumberCase{"backup_%nnn.zip", {}, kMarch5, "backup_001.zip"},
        TNumberCase{"Backup_%n.zip", {"backup_3.zip"}, kMarch5, "Backup_4.zip"},
        TNumberCase{"day_%dd_%n.zip", {"day_11_5.zip", "day_12_2.zip"}, {2024, 3, 12}, "day_12_3.zip"},
        TNumberCase{"%n_%yyyy.zip", {"9_2023.zip"}, {2024, 1, 1}, "10_2024.zip"},
        // a digit run that ends the name is read as well
        TNumberCase{"backup_%n", {"backup_5"}, kMarch5, "backup_6"},
        // names that do not fit the mask are not counted
        TNumberCase{
            "backup_%n.zip", {"backup_.zip", "backup_x1.zip", "other_9.zip"}, kMarch5, "backup_1.zip"},
        // ... but a number is taken as soon as it is read, even when the rest then fails
        TNumberCase{"backup_%n.zip", {"backup_12.zi"}, kMarch5, "backup_13.zip"},
        // a run too long for 32 bits counts as 0
        TNumberCase{"b_%n.zip", {"b_99999999999.zip", "b_4.zip"}, kMarch5, "b_5.zip"},
        TNumberCase{"b_%nnnn.zip", {"b_12345.zip"}, kMarch5, "b_12346.zip"},
        // the tail beyond the mask is not examined
        TNumberCase{"b_%n.zip", {"b_41.zip.old"}, kMarch5, "b_42.zip"}));

TEST(ExpandArchiveName, MissingDestinationStartsAtOne) {
    TTempTree tree;
    const auto r = ExpandArchiveName("b_%n.zip", tree.Path("missing") + "/", true, 0, kMarch5);
    EXPECT_EQ(r.Path, tree.Path("missing") + "/b_1.zip");
    EXPECT_EQ(Names(r.Obsolete), (std::vector<std::string>{"b_1.zip"})); // only the new name
}

TEST(ExpandArchiveName, DestinationWithoutSeparatorGetsOne) {
    TTempTree tree;
    EXPECT_EQ(ExpandArchiveName("a.zip", tree.Path(), false, 0, kMarch5).Path,
              WithTrailingSeparator(tree.Path()) + "a.zip");
}

TEST(FindArchiveFiles, ListsFittingNamesLowerCasedWithTheirSpelling) {
    TTempTree tree;
    tree.Write("Backup_3.zip");
    tree.Write("backup_x.zip");
    tree.Write("notes.txt");
    tree.Mkdir("backup_9.zip"); // a directory is no archive
    const TArchiveFiles found = FindArchiveFiles(Dest(tree), "Backup_*.zip", "backup_*.zip");
    ASSERT_EQ(found.Files.size(), 1u);
    EXPECT_EQ(found.Files[0].Name, "backup_3.zip");
    EXPECT_EQ(found.Files[0].FileName, "Backup_3.zip");
    EXPECT_EQ(found.LargestNumber, 3);
    EXPECT_EQ(FindArchiveFiles(tree.Path("missing/"), "*", "*").LargestNumber, -1);
}

TEST(Rotation, SelectsTheOldestBeyondTheCount) {
    TTempTree tree;
    for (int day = 1; day <= 4; ++day)
        tree.Write("mybackup_2024_03_0" + std::to_string(day) + ".zip");
    const auto r = ExpandArchiveName("mybackup_%yyyy_%mm_%dd.zip", Dest(tree), true, 3, kMarch5);
    EXPECT_EQ(r.Path, Dest(tree) + "mybackup_2024_03_05.zip");
    EXPECT_EQ(Names(r.Obsolete),
              (std::vector<std::string>{"mybackup_2024_03_01.zip", "mybackup_2024_03_02.zip"}));
    // Nothing is deleted while the name is worked out.
    for (int day = 1; day <= 4; ++day)
        EXPECT_TRUE(std::filesystem::exists(tree.Path("mybackup_2024_03_0" + std::to_string(day) + ".zip")));

    TTask task;
    task.RunZipFileName = r.Path;
    task.RunObsoleteArchives = r.Obsolete;
    tree.Write("mybackup_2024_03_05.zip"); // the run wrote its archive
    DeleteObsoleteArchives(task);
    EXPECT_TRUE(task.RunObsoleteArchives.empty());
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(tree.Path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"mybackup_2024_03_03.zip", "mybackup_2024_03_04.zip",
                                              "mybackup_2024_03_05.zip"}));
}

TEST(Rotation, CountZeroSelectsEveryFittingArchiveButKeepsTheNewOne) {
    TTempTree tree;
    tree.Write("b_1.zip");
    tree.Write("b_2.zip");
    tree.Write("other.zip");
    const auto r = ExpandArchiveName("b_%n.zip", Dest(tree), true, 0, kMarch5);
    EXPECT_EQ(r.Path, Dest(tree) + "b_3.zip");
    EXPECT_EQ(Names(r.Obsolete), (std::vector<std::string>{"b_1.zip", "b_2.zip", "b_3.zip"}));
    // A negative count is taken as 0.
    EXPECT_EQ(ExpandArchiveName("b_%n.zip", Dest(tree), true, -5, kMarch5).Obsolete, r.Obsolete);

    TTask task;
    task.RunZipFileName = r.Path;
    task.RunObsoleteArchives = r.Obsolete;
    tree.Write("b_3.zip");
    DeleteObsoleteArchives(task);
    EXPECT_FALSE(std::filesystem::exists(tree.Path("b_1.zip")));
    EXPECT_FALSE(std::filesystem::exists(tree.Path("b_2.zip")));
    EXPECT_TRUE(std::filesystem::exists(tree.Path("b_3.zip")));
    EXPECT_TRUE(std::filesystem::exists(tree.Path("other.zip")));
}

TEST(Rotation, TailBeyondTheMaskTakesPart) {
    TTempTree tree;
    tree.Write("mybackup_2024_03_05.zip.old");
    tree.Write("mybackup_2024_03_04.zip");
    const auto r = ExpandArchiveName("mybackup_%yyyy_%mm_%dd.zip", Dest(tree), true, 1, kMarch5);
    // Sorted by name: ..._04.zip, ..._05.zip, ..._05.zip.old; two go.
    EXPECT_EQ(Names(r.Obsolete),
              (std::vector<std::string>{"mybackup_2024_03_04.zip", "mybackup_2024_03_05.zip"}));
}

TEST(Rotation, DayBeforeMonthMaySelectTodaysArchiveWhichTheRunKeeps) {
    TTempTree tree;
    tree.Write("backup_05_03.zip"); // today's, from an earlier run
    tree.Write("backup_28_02.zip");
    tree.Write("backup_29_02.zip");
    const auto r = ExpandArchiveName("backup_%dd_%mm.zip", Dest(tree), true, 2, kMarch5);
    EXPECT_EQ(r.Path, Dest(tree) + "backup_05_03.zip");
    EXPECT_EQ(Names(r.Obsolete), (std::vector<std::string>{"backup_05_03.zip"}));
    TTask task;
    task.RunZipFileName = r.Path;
    task.RunObsoleteArchives = r.Obsolete;
    DeleteObsoleteArchives(task);
    EXPECT_TRUE(std::filesystem::exists(tree.Path("backup_05_03.zip")));
}

TEST(Rotation, WithoutDeleteOldFilesNothingIsSelected) {
    TTempTree tree;
    tree.Write("b_1.zip");
    EXPECT_TRUE(ExpandArchiveName("b_%n.zip", Dest(tree), false, 0, kMarch5).Obsolete.empty());
    EXPECT_TRUE(ExpandArchiveName("b.zip", Dest(tree), false, 0, kMarch5).Obsolete.empty());
}

TEST(Rotation, ArchiveSpeltDifferentlyIsStillKept) {
    TTempTree tree;
    tree.Write("a.zip");
    TTask task;
    task.RunZipFileName = tree.Path("sub/../a.zip");
    tree.Mkdir("sub");
    task.RunObsoleteArchives = {tree.Path("a.zip")};
    DeleteObsoleteArchives(task);
    EXPECT_TRUE(std::filesystem::exists(tree.Path("a.zip")));
}

} // namespace
} // namespace korvel
