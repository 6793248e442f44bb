#include <gtest/gtest.h>

#include "engine/common_root.h"

namespace korvel {
namespace {

struct TRootCase {
    std::vector<std::string> Paths;
    const char* Separators;
    int RootLength;
};

class CommonRoot : public ::testing::TestWithParam<TRootCase> {};

TEST_P(CommonRoot, IsTheSharedDirectory) {
    const TRootCase& c = GetParam();
    EXPECT_EQ(CommonRootLength(c.Paths, c.Separators), c.RootLength) << c.Paths.front();
}

INSTANTIATE_TEST_SUITE_P(WindowsSpelling, CommonRoot,
                         ::testing::Values(TRootCase{{"C:\\Docs\\a.txt", "C:\\Photos\\b.jpg"}, "/\\", 3},
                                           TRootCase{{"C:\\A\\x.txt", "D:\\B\\y.txt"}, "/\\", 0},
                                           TRootCase{{"C:\\Data\\a.txt", "C:\\Data\\ab.txt"}, "/\\", 8},
                                           TRootCase{{"C:\\Data\\a.txt"}, "/\\", 8},
                                           TRootCase{{"C:\\DATA\\Sub\\a.txt", "c:\\data\\b.txt"}, "/\\", 8},
                                           TRootCase{{"C:\\Data\\Sub\\a.txt", "C:\\Data\\S"}, "/\\", 8},
                                           TRootCase{{"a.txt", "b.txt"}, "/\\", 0},
                                           TRootCase{{"x"}, "/\\", 0}));

INSTANTIATE_TEST_SUITE_P(PosixPaths, CommonRoot,
                         ::testing::Values(TRootCase{{"/src/Docs/a.txt", "/src/Photos/b.jpg"}, "/", 5},
                                           TRootCase{{"/home/u/data/a.txt", "/home/u/data/ab.txt"}, "/", 13},
                                           TRootCase{{"/home/u/data/a.txt"}, "/", 13},
                                           TRootCase{{"/a/x", "/b/y"}, "/", 1},
                                           TRootCase{{"/d/sub/deep/f", "/d/sub/deep/g", "/d/sub/h"}, "/", 7},
                                           // "\" is part of a POSIX name
                                           TRootCase{{"/d/a\\b.txt"}, "/", 3},
                                           TRootCase{{"/d/a\\b.txt"}, "/\\", 5}, TRootCase{{}, "/", 0}));

} // namespace
} // namespace korvel
