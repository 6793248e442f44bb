#include <gtest/gtest.h>

#include <set>

#include "platform/html_help_library.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace korvel {
namespace {

struct TFallbackCase {
    const char* Label;
    const char* Registered;
    const char* WindowsDir;
    const char* Expected;
};

// Existing files: everything else is missing.
const std::set<std::string> kFiles = {"C:\\WINNT\\System32\\hhctrl.ocx", "C:\\WINNT", "D:\\Help\\hhctrl.ocx"};

const TFallbackCase kFallbackCases[] = {
    {"RegisteredCase", "%SystemRoot%\\System32\\hhctrl.ocx", "C:\\WINNT", "C:\\WINNT\\System32\\hhctrl.ocx"},
    {"LowerCase", "%systemroot%\\System32\\hhctrl.ocx", "C:\\WINNT", "C:\\WINNT\\System32\\hhctrl.ocx"},
    {"UpperCase", "%SYSTEMROOT%\\System32\\hhctrl.ocx", "C:\\WINNT", "C:\\WINNT\\System32\\hhctrl.ocx"},
    {"WindowsDirLosesOneBackslash", "%SystemRoot%\\System32\\hhctrl.ocx", "C:\\WINNT\\",
     "C:\\WINNT\\System32\\hhctrl.ocx"},
    {"ExactlyTwelve", "%SYSTEMROOT%", "C:\\WINNT", "C:\\WINNT"},
    {"ElevenIsTooShort", "%SYSTEMROO", "C:\\WINNT", "C:\\Sys32\\hhctrl.ocx"},
    {"NoSecondPercent", "%SYSTEMROOT\\System32\\hhctrl.ocx", "C:\\WINNT", "C:\\Sys32\\hhctrl.ocx"},
    {"OnlyAtTheStart", "C:\\%SystemRoot%\\hhctrl.ocx", "C:\\WINNT", "C:\\Sys32\\hhctrl.ocx"},
    {"OtherVariableStaysAsItIs", "%WinDir%\\System32\\hhctrl.ocx", "C:\\WINNT", "C:\\Sys32\\hhctrl.ocx"},
    {"NoPercentIsUsedAsItIs", "D:\\Help\\hhctrl.ocx", "C:\\WINNT", "D:\\Help\\hhctrl.ocx"},
    {"MissingFileGivesTheSystemDir", "%SystemRoot%\\System32\\gone.ocx", "C:\\WINNT",
     "C:\\Sys32\\hhctrl.ocx"},
    {"NothingRegistered", "", "C:\\WINNT", "C:\\Sys32\\hhctrl.ocx"},
};

class HtmlHelpFallbackTest : public ::testing::TestWithParam<TFallbackCase> {};

TEST_P(HtmlHelpFallbackTest, ResolvesTheRegisteredPath) {
    const TFallbackCase& c = GetParam();
    const auto exists = [](const std::string& path) { return kFiles.count(path) > 0; };
    EXPECT_EQ(HtmlHelpFallbackPath(c.Registered, c.WindowsDir, "C:\\Sys32\\", exists), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, HtmlHelpFallbackTest, ::testing::ValuesIn(kFallbackCases),
                         [](const auto& info) { return std::string(info.param.Label); });

#ifdef _WIN32

// Wine ships hhctrl.ocx and registers it.
TEST(HtmlHelpLibraryTest, BindsHtmlHelpAAndUnbinds) {
    THtmlHelpLibrary help;
    ASSERT_TRUE(help.Bind());
    EXPECT_TRUE(help.Loaded());
    ASSERT_NE(help.HtmlHelpA(), nullptr);
    EXPECT_NE(help.HtmlHelpW(), nullptr);
    EXPECT_EQ(help.HelpEntry(), help.HtmlHelpA());
    const auto entry = help.HelpEntry();
    EXPECT_TRUE(help.Bind()) << "bound already: nothing to do";
    EXPECT_EQ(help.HelpEntry(), entry);
    // Closing all help windows when none is open is harmless.
    help.Call(nullptr, "", 18, 0);
    help.Unbind();
    EXPECT_FALSE(help.Loaded());
    EXPECT_EQ(help.HtmlHelpA(), nullptr);
    EXPECT_EQ(help.HtmlHelpW(), nullptr);
    EXPECT_EQ(help.HelpEntry(), nullptr);
    EXPECT_EQ(help.Call(nullptr, "", 18, 0), nullptr) << "unbound: nothing is called";
}

TEST(HtmlHelpLibraryTest, FallbackPathNamesTheLibrary) {
    const std::string path = HtmlHelpFallbackPath();
    ASSERT_FALSE(path.empty());
    HMODULE library = ::LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr) << path;
    EXPECT_NE(::GetProcAddress(library, "HtmlHelpA"), nullptr) << path;
    ::FreeLibrary(library);
}

#else

TEST(HtmlHelpLibraryTest, NothingIsBoundWithoutWindows) {
    THtmlHelpLibrary help;
    EXPECT_FALSE(help.Bind());
    EXPECT_FALSE(help.Loaded());
    EXPECT_EQ(help.HelpEntry(), nullptr);
    EXPECT_EQ(help.Call(nullptr, "korvel.chm", 0, 0), nullptr);
    EXPECT_EQ(HtmlHelpFallbackPath(), "");
}

#endif

} // namespace
} // namespace korvel
