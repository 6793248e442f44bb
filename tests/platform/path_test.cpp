#include <gtest/gtest.h>

#include "platform/path.h"

namespace korvel {
namespace {

struct TSplitCase {
    std::string Path;
    std::string Directory;
    std::string FileName;
};

class PathSplit : public ::testing::TestWithParam<TSplitCase> {};

#ifdef _WIN32

// On Windows "\" and "/" both separate, and a drive's colon ends the directory part.
TEST_P(PathSplit, SplitsAtTheLastSeparator) {
    const TSplitCase& c = GetParam();
    EXPECT_EQ(DirectoryPart(c.Path), c.Directory);
    EXPECT_EQ(FileNamePart(c.Path), c.FileName);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PathSplit,
    ::testing::Values(TSplitCase{"C:\\backup\\day.zip", "C:\\backup\\", "day.zip"},
                      TSplitCase{"C:/backup\\x/y.zip", "C:/backup\\x/", "y.zip"},
                      TSplitCase{"\\\\server\\share\\a.zip", "\\\\server\\share\\", "a.zip"},
                      TSplitCase{"C:backup.zip", "C:", "backup.zip"},
                      TSplitCase{"C:\\backup\\", "C:\\backup\\", ""}, TSplitCase{"plain", "", "plain"}));

TEST(PathRules, BothSlashesSeparate) {
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_FALSE(IsPathSeparator(':'));
}

TEST(PathRules, MirrorTurnsTheDriveColonIntoUnderscore) {
    EXPECT_EQ(MirrorRelativePath("C:\\Docs\\a.txt"), "C_\\Docs\\a.txt");
    EXPECT_EQ(MirrorRelativePath("Docs\\a.txt"), "Docs\\a.txt");
}

TEST(TrailingSeparator, AppendedUnlessPresentAndRemovedOnce) {
    EXPECT_EQ(WithTrailingSeparator(""), "");
    EXPECT_EQ(WithTrailingSeparator("C:\\backup"), "C:\\backup\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\backup\\"), "C:\\backup\\");
    EXPECT_EQ(WithTrailingSeparator("C:/backup/"), "C:/backup/");
    EXPECT_EQ(WithoutTrailingSeparator("C:\\backup\\"), "C:\\backup");
    EXPECT_EQ(WithoutTrailingSeparator("C:/backup/"), "C:/backup");
    EXPECT_EQ(WithoutTrailingSeparator("C:\\backup"), "C:\\backup");
}

#else

// On POSIX only "/" separates: ":" and "\" belong to the name.
TEST_P(PathSplit, SplitsAtTheLastSlashOnly) {
    const TSplitCase& c = GetParam();
    EXPECT_EQ(DirectoryPart(c.Path), c.Directory);
    EXPECT_EQ(FileNamePart(c.Path), c.FileName);
}

INSTANTIATE_TEST_SUITE_P(Posix, PathSplit,
                         ::testing::Values(TSplitCase{"/backup/host:2026.zip", "/backup/", "host:2026.zip"},
                                           TSplitCase{"/backup/x\\y.zip", "/backup/", "x\\y.zip"},
                                           TSplitCase{"/a:b\\c/d", "/a:b\\c/", "d"},
                                           TSplitCase{"C:backup.zip", "", "C:backup.zip"},
                                           TSplitCase{"/backup/", "/backup/", ""},
                                           TSplitCase{"plain", "", "plain"}));

TEST(PathRules, OnlySlashSeparates) {
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_FALSE(IsPathSeparator('\\'));
    EXPECT_FALSE(IsPathSeparator(':'));
}

TEST(PathRules, MirrorKeepsColons) {
    EXPECT_EQ(MirrorRelativePath("C:/Docs/a:b.txt"), "C:/Docs/a:b.txt");
}

TEST(TrailingSeparator, AppendedUnlessPresentAndRemovedOnce) {
    EXPECT_EQ(WithTrailingSeparator(""), "");
    EXPECT_EQ(WithTrailingSeparator("/srv/backup"), "/srv/backup/");
    EXPECT_EQ(WithTrailingSeparator("/srv/backup/"), "/srv/backup/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(WithTrailingSeparator("/srv/back\\"), "/srv/back\\/") << "a backslash is a name character here";
    EXPECT_EQ(WithoutTrailingSeparator("/srv/backup/"), "/srv/backup");
    EXPECT_EQ(WithoutTrailingSeparator("/srv/backup"), "/srv/backup");
    EXPECT_EQ(WithoutTrailingSeparator("/srv/back\\"), "/srv/back\\");
}

#endif

} // namespace
} // namespace korvel
