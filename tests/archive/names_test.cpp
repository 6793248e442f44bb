// Stored names: path rules, code pages of the name bytes, case-blind patterns.

#include <cstdlib>
#include <gtest/gtest.h>

#include "archive/zip_names.h"
#include "archive_fixture.h"
#include "platform/codepage.h"

namespace korvel {
namespace {

struct TNameCase {
    std::string path;
    bool storePaths, relative, volumes;
    std::string root;
    std::string expected; // stored form with "/"
};

class StoredNames : public ::testing::TestWithParam<TNameCase> {};

TEST_P(StoredNames, FollowThePathRules) {
    const auto& c = GetParam();
    TStoredNameRules rules;
    rules.StorePaths = c.storePaths;
    rules.RelativePaths = c.relative;
    rules.StoreVolumes = c.volumes;
    rules.RelativePathList = {c.root};
    std::string full = StoredNameOf(c.path, rules).Full();
    for (char& ch : full)
        if (ch == '\\')
            ch = '/';
    EXPECT_EQ(full, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredNames,
    ::testing::Values(TNameCase{"C:\\data\\sub\\a.txt", true, false, false, "", "data/sub/a.txt"},
                      TNameCase{"C:\\data\\sub\\a.txt", true, false, true, "", "C:/data/sub/a.txt"},
                      TNameCase{"C:\\data\\sub\\a.txt", true, true, false, "C:\\data\\", "sub/a.txt"},
                      TNameCase{"C:\\data\\sub\\a.txt", false, false, false, "", "a.txt"},
                      TNameCase{"\\\\srv\\share\\d\\a.txt", true, false, false, "", "d/a.txt"},
                      TNameCase{"\\\\srv\\share\\d\\a.txt", true, false, true, "", "//srv/share/d/a.txt"},
                      TNameCase{"/home/u/docs/a.txt", true, false, false, "", "home/u/docs/a.txt"},
                      TNameCase{"/home/u/docs/a.txt", true, true, false, "/home/u/", "docs/a.txt"},
                      TNameCase{"/home/u/docs/a.txt", true, true, false, "/HOME/U/", "docs/a.txt"},
                      TNameCase{"/home/u/docs/a.txt", true, true, false, "/other/", "home/u/docs/a.txt"},
                      // An absolute POSIX path never yields an absolute entry name.
                      TNameCase{"/home/u/docs/a.txt", true, false, true, "", "home/u/docs/a.txt"},
                      TNameCase{"/home/u/docs/", true, true, false, "/home/u/", "docs/"},
                      TNameCase{"/home/u//a.txt", true, false, false, "", "home/u/a.txt"}));

// The environment chooses the OEM code page on POSIX, and the tests set it; on Windows it
// is the system's, set with its locale, and a test can only take the one it finds.
#ifdef _WIN32
#define SKIP_UNLESS_WINDOWS_OEM_PAGE(page)                                                                   \
    if (OemCodePage() != (page))                                                                             \
    GTEST_SKIP() << "the OEM code page of this Windows is " << OemCodePage() << ", not " << (page)
#else
#define SKIP_UNLESS_WINDOWS_OEM_PAGE(page) static_cast<void>(0)
#endif

class OemNames : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* old = std::getenv(v);
            saved_.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
            test::UnsetEnv(v);
        }
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value)
                test::SetEnv(name, *value);
            else
                test::UnsetEnv(name);
        }
    }
    static TZipHeaderInfo Encoded(const std::string& name, TOEMConvert mode = oemAlways) {
        TZipHeaderInfo rec(mode);
        rec.SetFileName(name);
        EncodeEntryName(rec);
        return rec;
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(OemNames, AsciiAndCp437NamesAreWrittenInTheOemPage) {
    SKIP_UNLESS_WINDOWS_OEM_PAGE(437);
    const auto a = Encoded("plain name.txt");
    EXPECT_EQ(a.RawName, "plain name.txt");
    EXPECT_EQ(a.Flags & kFlagUtf8, 0);
    const auto e = Encoded("caf\xC3\xA9.txt"); // é is 0x82 in code page 437
    EXPECT_EQ(e.RawName, "caf\x82.txt");
    EXPECT_EQ(e.Flags & kFlagUtf8, 0);
}

TEST_F(OemNames, NamesOutsideTheOemPageStayUtf8WithBit11) {
    SKIP_UNLESS_WINDOWS_OEM_PAGE(437);
    const std::string cyr = "\xD0\x9F\xD1\x80\xD0\xB8.txt"; // Пpи
    const auto r = Encoded(cyr);
    EXPECT_EQ(r.RawName, cyr);
    EXPECT_NE(r.Flags & kFlagUtf8, 0);
    EXPECT_EQ(r.HostByte(), 0);
    const std::string cjk = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
    EXPECT_NE(Encoded(cjk).Flags & kFlagUtf8, 0);
    const auto flex = Encoded(cjk, oemFlexible);
    EXPECT_EQ(flex.HostByte(), 11);
}

TEST_F(OemNames, RussianLocaleUsesCodePage866) {
    SKIP_UNLESS_WINDOWS_OEM_PAGE(866);
    test::SetEnv("LANG", "ru_RU.UTF-8");
    const std::string cyr = "\xD0\x9F\xD1\x80\xD0\xB8.txt";
    const auto r = Encoded(cyr);
    EXPECT_EQ(r.RawName, "\x8F\xE0\xA8.txt");
    EXPECT_EQ(r.Flags & kFlagUtf8, 0);
    TZipHeaderInfo back(oemAlways);
    DecodeEntryName(r.RawName, back);
    EXPECT_EQ(back.FileName(), cyr);
}

TEST_F(OemNames, ReadingConvertsOnlyDosHostNamesWithoutBit11) {
    SKIP_UNLESS_WINDOWS_OEM_PAGE(437);
    TZipHeaderInfo dos(oemAlways);
    DecodeEntryName("dir/caf\x82.txt", dos);
    EXPECT_EQ(dos.Directory(), "dir\\");
    EXPECT_EQ(dos.FileName(), "caf\xC3\xA9.txt");

    TZipHeaderInfo unix(oemAlways);
    unix.VersionMadeBy = 0x0314;
    DecodeEntryName("dir/caf\xC3\xA9.txt", unix);
    EXPECT_EQ(unix.FileName(), "caf\xC3\xA9.txt");

    TZipHeaderInfo utf8(oemAlways);
    utf8.Flags = kFlagUtf8;
    DecodeEntryName("\xE6\x97\xA5", utf8);
    EXPECT_EQ(utf8.FileName(), "\xE6\x97\xA5");

    TZipHeaderInfo never(oemNever);
    DecodeEntryName("caf\x82", never);
    EXPECT_EQ(never.FileName(), "caf\x82");
}

TEST(NamePatterns, CaseBlindWildcards) {
    EXPECT_TRUE(MatchesNamePattern("*.TXT", "/a/b/readme.txt"));
    EXPECT_TRUE(MatchesNamePattern("r?adme.*", "/a/b/README.md"));
    EXPECT_FALSE(MatchesNamePattern("*.txt", "/a/b/readme.txt.bak"));
    EXPECT_TRUE(MatchesNamePattern("*\\b\\*.txt", "/a/b/x.txt"));
    EXPECT_FALSE(MatchesNamePattern("*\\c\\*.txt", "/a/b/x.txt"));
    EXPECT_TRUE(MatchesNamePattern("\xD0\x9F*", "/\xD0\xBF\xD1\x80.txt")); // П matches п
    EXPECT_EQ(LowerName("ABC\xD0\x9F"), "abc\xD0\xBF");
}

} // namespace
} // namespace korvel
