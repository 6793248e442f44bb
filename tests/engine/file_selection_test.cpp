#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include "engine/file_selection.h"
#include "engine/mask.h"
#include "temp_tree.h"

namespace korvel {
namespace {

using test::TTempTree;

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(SelectFiles, SubdirectoryFilesComeBeforeTheDirectorysOwn) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("src/y.txt");
    tree.Write("src/a/x.txt");
    tree.Write("src/a/deeper/w.txt");
    EXPECT_EQ(SelectFiles(src, "*", "", true),
              (std::vector<std::string>{src + "/a/deeper/w.txt", src + "/a/x.txt", src + "/y.txt"}));
    EXPECT_EQ(SelectFiles(src, "*", "", false), (std::vector<std::string>{src + "/y.txt"}));
}

TEST(SelectFiles, KeepsTheFileSystemOrderOfEachDirectory) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    for (const char* name : {"m.txt", "b.txt", "z.txt", "a.txt", "k.txt"})
        tree.Write(std::string("src/") + name);
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(src))
        expected.push_back(src + "/" + entry.path().filename().string());
    EXPECT_EQ(SelectFiles(src, "*", "", false), expected);
}

TEST(SelectFiles, TrailingSeparatorMakesNoDifference) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("src/f.txt");
    const std::vector<std::string> expected{src + "/f.txt"};
    EXPECT_EQ(SelectFiles(src, "*", "", false), expected);
    EXPECT_EQ(SelectFiles(src + "/", "*", "", false), expected);
}

// On POSIX a "\" ends no directory: "src\" names a directory of its own.
TEST(SelectFiles, TrailingBackslashIsPartOfTheName) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a backslash separates directories";
#else
    TTempTree tree;
    tree.Write("src/f.txt");
    const std::string slashed = tree.Write("src\\/g.txt");
    EXPECT_EQ(SelectFiles(tree.Path("src\\"), "*", "", false), std::vector<std::string>{slashed});
    EXPECT_EQ(ListFiles(tree.Path("src\\"), "*", false), std::vector<std::string>{slashed});
#endif
}

TEST(SelectFiles, FiltersIncludeAndExclude) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("src/a.doc");
    tree.Write("src/b.txt");
    tree.Write("src/c.bak");
    tree.Write("src/README");
    tree.Write("src/keep.tmp.txt");
    EXPECT_EQ(Sorted(SelectFiles(src, "*.doc; *.txt", "", false)),
              Sorted({src + "/a.doc", src + "/b.txt", src + "/keep.tmp.txt"}));
    EXPECT_EQ(Sorted(SelectFiles(src, "*.doc,*.txt", "*.tmp.*", false)),
              Sorted({src + "/a.doc", src + "/b.txt"}));
    EXPECT_EQ(SelectFiles(src, "*.*", "*.doc *.txt *.bak", false), std::vector<std::string>{});
    EXPECT_EQ(SelectFiles(src, "*", "*.*", false), (std::vector<std::string>{src + "/README"}));
    EXPECT_TRUE(SelectFiles(src, "   ", "", false).empty());
    EXPECT_TRUE(SelectFiles(src, "", "", false).empty());
    EXPECT_EQ(SelectFiles(src, "*.TXT", "", false).size(), 2u);
}

TEST(SelectFiles, DotFilesAndDotDirectoriesAreOrdinary) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("src/.profile");
    tree.Write("src/.git/config");
    EXPECT_EQ(SelectFiles(src, "*", "", true),
              (std::vector<std::string>{src + "/.git/config", src + "/.profile"}));
}

TEST(SelectFiles, FollowsFileLinksButNotDirectoryLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows and the tests make them with POSIX symlink()";
#else
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("other/inside.txt");
    tree.Write("src/real.txt");
    ::symlink(tree.Path("other").c_str(), tree.Path("src/dirlink").c_str());
    ::symlink(src.c_str(), tree.Path("src/loop").c_str()); // a cycle must not hang the scan
    ::symlink(tree.Path("src/real.txt").c_str(), tree.Path("src/filelink").c_str());
    EXPECT_EQ(Sorted(SelectFiles(src, "*", "", true)), Sorted({src + "/real.txt", src + "/filelink"}));
#endif
}

TEST(SelectFiles, MissingOrEmptyDirectoryYieldsNothing) {
    TTempTree tree;
    EXPECT_TRUE(SelectFiles(tree.Path("missing"), "*", "", true).empty());
    EXPECT_TRUE(SelectFiles("", "*", "", true).empty());
}

TEST(SelectFiles, MalformedMaskRaisesOnlyWhenTried) {
    TTempTree tree;
    const std::string src = tree.Mkdir("src");
    tree.Write("src/a.txt");
    EXPECT_THROW(SelectFiles(src, "[", "", false), EMaskException);
    EXPECT_THROW(SelectFiles(src, "*", "[]", false), EMaskException);
    // "*" matches first, so the broken mask behind it is never needed.
    EXPECT_EQ(SelectFiles(src, "*;[", "", false).size(), 1u);
    // No file, no matching, no error.
    EXPECT_TRUE(SelectFiles(tree.Mkdir("empty"), "[", "", false).empty());
}

TEST(ListFiles, UsesTheFileSystemWildcardAndRecursion) {
    TTempTree tree;
    const std::string dir = tree.Mkdir("d");
    tree.Write("d/README");
    tree.Write("d/a.TXT");
    tree.Write("d/sub/b.txt");
    tree.Write("d/sub/c.doc");
    EXPECT_EQ(Sorted(ListFiles(dir, "*.*", false)), Sorted({dir + "/README", dir + "/a.TXT"}));
    EXPECT_EQ(ListFiles(dir + "/", "*.txt", false), (std::vector<std::string>{dir + "/a.TXT"}));
    EXPECT_EQ(ListFiles(dir, "*.txt", true), (std::vector<std::string>{dir + "/sub/b.txt", dir + "/a.TXT"}));
    EXPECT_EQ(Sorted(ListFiles(dir, "*", true)),
              Sorted({dir + "/README", dir + "/a.TXT", dir + "/sub/b.txt", dir + "/sub/c.doc"}));
    EXPECT_TRUE(ListFiles("", "*", true).empty());
    EXPECT_TRUE(ListFiles(tree.Path("missing"), "*", true).empty());
}

// A window showing the scan is pumped in every directory and within a large one.
TEST(ListFiles, PumpsDuringTheWalk) {
    TTempTree tree;
    const std::string dir = tree.Mkdir("d");
    tree.Write("d/sub/x");
    for (int i = 0; i < 1100; ++i)
        tree.Write("d/f" + std::to_string(i));
    int pumps = 0;
    const auto files = ListFiles(dir, "*", true, [&pumps] { ++pumps; });
    EXPECT_EQ(files, ListFiles(dir, "*", true));
    EXPECT_EQ(files.size(), 1101u);
    EXPECT_GE(pumps, 2 + 2) << "both directories and the 1100 entries of the first";
}

} // namespace
} // namespace korvel
