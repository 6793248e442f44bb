// What only Windows has, through the Win32 platform layer: attributes, short names,
// the registry, shell links and the code pages.

#include <gtest/gtest.h>

#include <objbase.h>
#include <shobjidl.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/codepage.h"
#include "platform/desktop_shortcut.h"
#include "platform/file_system.h"
#include "platform/find_files.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/win32/wide.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

class Win32Test : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("korvel-win32-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        for (const auto& item : fs::recursive_directory_iterator(dir_))
            ::SetFileAttributesW(item.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(dir_);
    }
    std::string Write(const std::string& utf8Name, const std::string& bytes = "x") {
        const std::string path = win32::Narrow(dir_.wstring()) + "\\" + utf8Name;
        std::ofstream(fs::path(win32::Widen(path)), std::ios::binary) << bytes;
        return path;
    }
    fs::path dir_;
};

TEST_F(Win32Test, AttributesComeFromTheFileAndTheArchiveBitClears) {
    const std::string path = Write("attributes.txt");
    ASSERT_TRUE(::SetFileAttributesW(win32::Widen(path).c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo(path, info));
    EXPECT_EQ(info.Attributes, faHidden | faSysFile | faArchive);
    ASSERT_TRUE(ClearArchiveAttribute(path));
    ASSERT_TRUE(GetFileInfo(path, info));
    if (RunningUnderWine() && (info.Attributes & faArchive))
        GTEST_SKIP() << "Wine keeps no archive attribute on Unix file systems: it reports every file as changed";
    EXPECT_EQ(info.Attributes, faHidden | faSysFile);
}

TEST_F(Win32Test, FileTimesRoundTripThroughTheFileSystem) {
    const std::string path = Write("time.txt");
    ASSERT_TRUE(SetFileModTime(path, timespec{1600000000, 500000000}));
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo(path, info));
    EXPECT_EQ(info.ModTime.tv_sec, 1600000000);
    EXPECT_EQ(info.ModTime.tv_nsec, 500000000);
}

TEST_F(Win32Test, NamesOutsideTheAnsiPageSurviveEnumeration) {
    const std::string cyrillic = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0.txt"; // Папка.txt
    Write(cyrillic);
    TFindFiles find;
    TSearchRec rec;
    ASSERT_TRUE(find.FindFirst(win32::Narrow(dir_.wstring()), "*.TXT", rec));
    EXPECT_EQ(rec.Name, cyrillic);
    EXPECT_FALSE(rec.IsDirectory);
    EXPECT_FALSE(find.FindNext(rec));
}

TEST_F(Win32Test, ShortNamesAreEightDotThreeAndNameTheSameFile) {
    const std::string path = Write("A rather long file name.text", "short");
    const std::string shortPath = ShortPathName(path);
    const std::string shortName = FileNamePart(shortPath);
    const auto dot = shortName.find('.');
    EXPECT_LE(dot == std::string::npos ? shortName.size() : dot, 8u) << shortPath;
    EXPECT_LE(dot == std::string::npos ? 0 : shortName.size() - dot - 1, 3u) << shortPath;
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo(shortPath, info)) << shortPath;
    EXPECT_EQ(info.Size, 5u);
    EXPECT_EQ(ShortPathName(path + ".missing"), path + ".missing");
}

TEST(Win32Registry, ReadsKeysAndStringValuesOfTheCurrentUser) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\KorvelTest\\Profiles\\Outlook", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring value = win32::Widen("C:\\\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0.pst"); // Почта
    ::RegSetValueExW(key, L"Store", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);

    const auto root = OpenCurrentUserKey();
    ASSERT_NE(root, nullptr);
    const auto test = root->OpenSubkey("Software\\KorvelTest");
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->SubkeyName(0), "Profiles");
    EXPECT_EQ(test->SubkeyName(1), std::nullopt);
    const auto outlook = test->OpenSubkey("Profiles\\Outlook");
    ASSERT_NE(outlook, nullptr);
    EXPECT_EQ(outlook->StringValue("Store"), "C:\\\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0.pst");
    EXPECT_EQ(outlook->StringValue("Missing"), std::nullopt);
    EXPECT_EQ(test->OpenSubkey("NoSuchKey"), nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvelTest");
}

TEST(Win32Shortcut, ShellLinkStartsTheTargetWithItsArguments) {
    const std::string target = "C:\\windows\\notepad.exe";
    const std::string name = "Korvel test " + std::to_string(std::random_device{}());
    ASSERT_TRUE(CreateDesktopShortcut(target, "/t 7", name));
    const std::wstring file = win32::Widen(DesktopDirectory() + name + kShortcutExtension);

    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                             reinterpret_cast<void**>(&link))));
    IPersistFile* persist = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
    EXPECT_TRUE(SUCCEEDED(persist->Load(file.c_str(), STGM_READ)));
    wchar_t text[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)));
    EXPECT_STRCASEEQ(win32::Narrow(text, std::wcslen(text)).c_str(), target.c_str());
    EXPECT_TRUE(SUCCEEDED(link->GetArguments(text, MAX_PATH)));
    EXPECT_EQ(win32::Narrow(text, std::wcslen(text)), "/t 7");
    persist->Release();
    link->Release();
    ::CoUninitialize();
    ::DeleteFileW(file.c_str());
}

// The OEM page is the system's: under an English locale, code page 437.
TEST(Win32CodePages, OemConversionIsTheSystemsAndRefusesWhatItLacks) {
    if (OemCodePage() != 437)
        GTEST_SKIP() << "the system's OEM code page is " << OemCodePage() << ", not 437";
    EXPECT_EQ(Utf8ToOem("caf\xC3\xA9"), "caf\x82");
    EXPECT_EQ(OemToUtf8("caf\x82"), "caf\xC3\xA9");
    EXPECT_EQ(Utf8ToOem("\xD0\x9F"), std::nullopt) << "no Cyrillic in code page 437";
}

} // namespace
} // namespace korvel
