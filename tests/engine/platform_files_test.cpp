// The platform pieces the engine stands on: directory enumeration, the file
// system's wildcard and the file copy.
#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/copy_file.h"
#include "platform/find_files.h"
#include "temp_tree.h"

namespace korvel {
namespace {

using test::TTempTree;

struct TWildcardCase {
    const char* Mask;
    const char* Name;
    bool Matches;
};

class FileSystemWildcard : public ::testing::TestWithParam<TWildcardCase> {};

TEST_P(FileSystemWildcard, MatchesAsTheFileSystemDoes) {
    const auto& c = GetParam();
    EXPECT_EQ(FileSystemMaskMatches(c.Name, c.Mask), c.Matches) << c.Mask << " / " << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileSystemWildcard,
    ::testing::Values(TWildcardCase{"*", "README", true}, TWildcardCase{"*.*", "README", true},
                      TWildcardCase{"*.*", ".profile", true}, TWildcardCase{"*.TXT", "a.txt", true},
                      TWildcardCase{"*.txt", "a.txt.bak", false}, TWildcardCase{"a?c", "abc", true},
                      TWildcardCase{"a?c", "ac", false}, TWildcardCase{"a?c", "aжc", true},
                      TWildcardCase{"b*", "Backup.zip", true}, TWildcardCase{"*a*b", "xaxxb", true},
                      TWildcardCase{"[a]", "a", false}, TWildcardCase{"[a]", "[A]", true},
                      TWildcardCase{"x", "", false}));

TEST(FindFiles, ListsEveryEntryButDotAndDotDot) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows and the tests make them with POSIX symlink()";
#else
    TTempTree tree;
    tree.Write("a.txt");
    tree.Write(".hidden");
    tree.Mkdir("sub");
    tree.Mkdir(".git");
    ::symlink((tree.Path("sub")).c_str(), tree.Path("dirlink").c_str());
    ::symlink((tree.Path("a.txt")).c_str(), tree.Path("filelink").c_str());
    ::symlink((tree.Path("gone")).c_str(), tree.Path("dangling").c_str());

    std::set<std::string> files, dirs, links;
    TFindFiles finder;
    TSearchRec rec;
    for (bool ok = finder.FindFirst(tree.Path() + "/", "*", rec); ok; ok = finder.FindNext(rec)) {
        (rec.IsDirectory ? dirs : files).insert(rec.Name);
        if (rec.IsSymlink)
            links.insert(rec.Name);
    }
    EXPECT_EQ(files, (std::set<std::string>{"a.txt", ".hidden", "filelink", "dangling"}));
    EXPECT_EQ(dirs, (std::set<std::string>{"sub", ".git", "dirlink"}));
    EXPECT_EQ(links, (std::set<std::string>{"dirlink", "filelink", "dangling"}));
#endif
}

TEST(FindFiles, NarrowsByTheMaskAndFailsOnAMissingDirectory) {
    TTempTree tree;
    tree.Write("a.TXT");
    tree.Write("b.doc");
    TFindFiles finder;
    TSearchRec rec;
    ASSERT_TRUE(finder.FindFirst(tree.Path(), "*.txt", rec));
    EXPECT_EQ(rec.Name, "a.TXT");
    EXPECT_FALSE(finder.FindNext(rec));
    EXPECT_FALSE(finder.FindFirst(tree.Path("missing"), "*", rec));
    EXPECT_FALSE(finder.FindFirst(tree.Path(), "*.zip", rec));
}

TEST(CopyFile, KeepsDataTimeAndPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "the permissions compared are POSIX mode bits";
#else
    TTempTree tree;
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 131 + (i >> 9));
    const std::string from = tree.Write("src.bin", data);
    ::chmod(from.c_str(), 0751);
    test::SetMTime(from, 1600000000, 123456789);
    const std::string to = tree.Path("dst.bin");
    std::string error;
    ASSERT_TRUE(CopyFileWithTimes(from, to, &error)) << error;
    EXPECT_EQ(test::ReadText(to), data);
    struct stat st {};
    ASSERT_EQ(::stat(to.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
#endif
}

TEST(CopyFile, ReplacesAnExistingAndAReadOnlyTarget) {
    TTempTree tree;
    const std::string from = tree.Write("src", "new");
    const std::string to = tree.Write("dst", "old old old");
    ::chmod(to.c_str(), 0444);
    ASSERT_TRUE(CopyFileWithTimes(from, to));
    EXPECT_EQ(test::ReadText(to), "new");
}

TEST(CopyFile, RefusesWhatIsNoRegularFileWithoutBlocking) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are POSIX files";
#else
    TTempTree tree;
    const std::string fifo = tree.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(CopyFileWithTimes(fifo, tree.Path("out"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CopyFileWithTimes(tree.Path("missing"), tree.Path("out2")));
    EXPECT_FALSE(std::filesystem::exists(tree.Path("out2")));
    ::symlink(tree.Path("gone").c_str(), tree.Path("dangling").c_str());
    EXPECT_FALSE(CopyFileWithTimes(tree.Path("dangling"), tree.Path("out3")));
#endif
}

TEST(CopyFile, CopiesAnEmptyFileAndFollowsLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows and the tests make them with POSIX symlink()";
#else
    TTempTree tree;
    const std::string empty = tree.Write("empty", "");
    ASSERT_TRUE(CopyFileWithTimes(empty, tree.Path("empty.copy")));
    EXPECT_EQ(std::filesystem::file_size(tree.Path("empty.copy")), 0u);
    const std::string real = tree.Write("real", "content");
    ::symlink(real.c_str(), tree.Path("link").c_str());
    ASSERT_TRUE(CopyFileWithTimes(tree.Path("link"), tree.Path("link.copy")));
    EXPECT_FALSE(std::filesystem::is_symlink(tree.Path("link.copy")));
    EXPECT_EQ(test::ReadText(tree.Path("link.copy")), "content");
#endif
}

TEST(CopyFile, ReadsPseudoFilesThatReportNoSize) {
    TTempTree tree;
    // /proc files report a size of 0 and yield nothing to copy_file_range.
    ASSERT_TRUE(CopyFileWithTimes("/proc/self/status", tree.Path("status")));
    EXPECT_NE(test::ReadText(tree.Path("status")).find("Name:"), std::string::npos);
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

TEST(CopyFile, ReplacesALinkInTheTargetInsteadOfWritingThroughIt) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows and the tests make them with POSIX symlink()";
#else
    test::TTempTree tree;
    const std::string from = tree.Write("src", "backup data");
    const std::string victim = tree.Write("elsewhere", "must stay");
    const std::string to = tree.Path("dst");
    ASSERT_EQ(::symlink(victim.c_str(), to.c_str()), 0);
    ASSERT_TRUE(CopyFileWithTimes(from, to));
    EXPECT_FALSE(std::filesystem::is_symlink(to));
    EXPECT_EQ(test::ReadText(to), "backup data");
    EXPECT_EQ(test::ReadText(victim), "must stay");
#endif
}

TEST(CopyFile, GivesAnExistingTargetTheSourcePermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "the permissions compared are POSIX mode bits";
#else
    test::TTempTree tree;
    const std::string from = tree.Write("src", "x");
    const std::string to = tree.Write("dst", "old");
    ::chmod(to.c_str(), 0600);
    ::chmod(from.c_str(), 0664); // group write: more than the usual creation mask lets through
    ASSERT_TRUE(CopyFileWithTimes(from, to));
    struct stat st {};
    ::stat(to.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
    const std::string fresh = tree.Path("fresh");
    ASSERT_TRUE(CopyFileWithTimes(from, fresh));
    ::stat(fresh.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
#endif
}

} // namespace
} // namespace korvel
