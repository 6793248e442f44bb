// Entry names: code pages by host and flag, the OEM tables judged by python's
// codecs, and the path rules that keep names inside the target.

#include "sfx/entry_names.h"
#include "sfx/oem_tables.h"
#include "sfx_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvel::sfx::test {
namespace {

TEST(OemTables, KnownCodePoints) {
    EXPECT_EQ(kCp437Upper[0x80 - 0x80], 0x00C7);
    EXPECT_EQ(kCp437Upper[0x81 - 0x80], 0x00FC);
    EXPECT_EQ(kCp437Upper[0xE1 - 0x80], 0x00DF);
    EXPECT_EQ(kCp866Upper[0x80 - 0x80], 0x0410);
    EXPECT_EQ(kCp866Upper[0xA0 - 0x80], 0x0430);
    EXPECT_EQ(kCp866Upper[0xE0 - 0x80], 0x0440);
    EXPECT_EQ(kCp866Upper[0xF0 - 0x80], 0x0401);
    EXPECT_EQ(kCp866Upper[0xF1 - 0x80], 0x0451);
}

// python's codecs judge every byte of both tables.
TEST(OemTables, AgreeWithPythonCodecs) {
    if (!HaveProgram("python3")) {
        GTEST_SKIP() << "python3 not installed";
    }
    TScratch scratch;
    for (const auto& [codec, page] :
         {std::pair{"cp437", TOemCodePage::Cp437}, std::pair{"cp866", TOemCodePage::Cp866}}) {
        RunPython(std::string("open('expected', 'wb').write(bytes(range(256)).decode('") + codec +
                      "').encode('utf-8'))\n",
                  scratch.Path());
        std::string all;
        for (int b = 0; b < 256; ++b) {
            all += static_cast<char>(b);
        }
        EXPECT_EQ(OemToUtf8(all, page), ReadFile(scratch / "expected")) << codec;
    }
}

struct TDecodeCase {
    const char* label;
    std::string stored;
    std::uint16_t flags;
    std::uint16_t versionMadeBy;
    TOemCodePage page;
    std::string expected;
};

TEST(EntryNames, DecodeByFlagAndHost) {
    const std::string cyrillicUtf8 = "\xD0\x90\xD0\xB0\xD1\x80.txt"; // "Аар.txt"
    const TDecodeCase cases[] = {
        {"dos host, 437", "\x80\x81\xE1.txt", 0, 0x0014, TOemCodePage::Cp437, "\xC3\x87\xC3\xBC\xC3\x9F.txt"},
        {"dos host, 866", "\x80\xA0\xE0.txt", 0, 0x002D, TOemCodePage::Cp866, cyrillicUtf8},
        {"utf-8 flag wins over dos host", cyrillicUtf8, 0x0800, 0x002D, TOemCodePage::Cp866, cyrillicUtf8},
        {"ansi host 11 kept", cyrillicUtf8, 0, 0x0B2D, TOemCodePage::Cp437, cyrillicUtf8},
        {"unix host kept", "\x80raw", 0, 0x031E, TOemCodePage::Cp437, "\x80raw"},
        {"ntfs host kept", "\xE1", 0, 0x0A14, TOemCodePage::Cp437, "\xE1"},
        {"ascii unchanged", "dir/a.txt", 0, 0x0014, TOemCodePage::Cp866, "dir/a.txt"},
    };
    for (const TDecodeCase& c : cases) {
        EXPECT_EQ(DecodeEntryName(c.stored, c.flags, c.versionMadeBy, c.page), c.expected) << c.label;
    }
}

class LocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(LocaleTest, RussianLocaleChoosesCp866) {
    EXPECT_EQ(OemCodePageFromLocale(), TOemCodePage::Cp437);
    ::setenv("LANG", "ru_RU.UTF-8", 1);
    EXPECT_EQ(OemCodePageFromLocale(), TOemCodePage::Cp866);
    ::setenv("LC_CTYPE", "en_US.UTF-8", 1); // more specific than LANG
    EXPECT_EQ(OemCodePageFromLocale(), TOemCodePage::Cp437);
    ::setenv("LC_ALL", "ru_UA.UTF-8", 1); // overrides both
    EXPECT_EQ(OemCodePageFromLocale(), TOemCodePage::Cp866);
    ::setenv("LC_ALL", "de_DE", 1);
    EXPECT_EQ(OemCodePageFromLocale(), TOemCodePage::Cp437);
}

struct TPathCase {
    std::string name;
    bool safe;
    std::vector<std::string> components;
    bool directory;
};

TEST(EntryNames, SafePathRules) {
    const TPathCase cases[] = {
        {"a.txt", true, {"a.txt"}, false},
        {"dir/sub/a.txt", true, {"dir", "sub", "a.txt"}, false},
        {"dir\\sub\\a.txt", true, {"dir", "sub", "a.txt"}, false},
        {"dir/", true, {"dir"}, true},
        {"dir\\", true, {"dir"}, true},
        {"./a//b/./c", true, {"a", "b", "c"}, false},
        {"..a/b..", true, {"..a", "b.."}, false},
        {"ab:c", true, {"ab:c"}, false}, // a colon after the second character is an ordinary one here
        {"dir/c:x", true, {"dir", "c:x"}, false},
        {"...", true, {"..."}, false},
        {"", false, {}, false},
        {"/", false, {}, false},
        {".", false, {}, false},
        {"./", false, {}, false},
        {"/etc/passwd", false, {}, false},
        {"\\windows\\x", false, {}, false},
        {"\\\\server\\share\\x", false, {}, false},
        {"..", false, {}, false},
        {"../x", false, {}, false},
        {"a/../../x", false, {}, false},
        {"a/..", false, {}, false},
        {"a\\..\\..\\x", false, {}, false},
        {"C:/x", false, {}, false},
        {"c:x", false, {}, false},
        {"Z:\\x", false, {}, false},
        {std::string("a\0b", 3), false, {}, false},
    };
    for (const TPathCase& c : cases) {
        const auto path = MakeSafePath(c.name);
        ASSERT_EQ(path.has_value(), c.safe) << "\"" << c.name << "\"";
        if (path) {
            EXPECT_EQ(path->components, c.components) << c.name;
            EXPECT_EQ(path->isDirectory, c.directory) << c.name;
        }
    }
}

// Whole archives from python with names in each encoding, patched into the
// headers where python would not write them that way.
class ArchiveNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("zip") || !HaveProgram("python3")) {
            GTEST_SKIP() << "zip or python3 not installed";
        }
        // Placeholders are ASCII of the same length as the bytes put in their place.
        RunPython("import zipfile\n"
                  "z = zipfile.ZipFile('a.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                  "def put(name, data, system):\n"
                  "    i = zipfile.ZipInfo(name, (2019, 5, 6, 7, 8, 10))\n"
                  "    i.create_system = system\n"
                  "    i.compress_type = zipfile.ZIP_DEFLATED\n"
                  "    z.writestr(i, data)\n"
                  "put('OEMA.txt', b'oem', 0)\n"
                  "put('ANSIANSI.txt', b'ansi', 11)\n"
                  "put('\\u00e9t\\u00e9/\\u0436.txt', b'utf8 flag', 3)\n"
                  "d = zipfile.ZipInfo('folder/', (2018, 1, 1, 0, 0, 0))\n"
                  "d.external_attr = 0x10\n"
                  "z.writestr(d, b'')\n"
                  "z.comment = b'archive comment'\n"
                  "z.close()\n"
                  "b = open('a.zip', 'rb').read()\n"
                  "for old, new in ((b'OEMA', bytes([0x80, 0xA0, 0xE0, 0xF1])),\n"
                  "                 (b'ANSIANSI', '\\u0436\\u0437\\u0438\\u0439'.encode('utf-8'))):\n"
                  "    assert b.count(old) == 2\n"
                  "    b = b.replace(old, new)\n"
                  "open('a.zip', 'wb').write(b)\n",
                  scratch_.Path());
        exe_ = MakeSfx(scratch_ / "a.zip", scratch_ / "a.exe");
    }

    TScratch scratch_;
    fs::path exe_;
};

TEST_F(ArchiveNamesTest, NamesInEnglishLocale) {
    const TRunResult r = RunShell(
        "LC_ALL= LC_CTYPE= LANG=C.UTF-8 " + Quote(exe_) + " -d " + Quote(scratch_ / "out"), scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    // 0x80 0xA0 0xE0 0xF1 in 437: Ç á α ±
    EXPECT_EQ(ReadFile(scratch_ / "out" / "\xC3\x87\xC3\xA1\xCE\xB1\xC2\xB1.txt"), "oem");
    EXPECT_EQ(ReadFile(scratch_ / "out" / "\xD0\xB6\xD0\xB7\xD0\xB8\xD0\xB9.txt"), "ansi");
    EXPECT_EQ(ReadFile(scratch_ / "out" / "\xC3\xA9t\xC3\xA9/\xD0\xB6.txt"), "utf8 flag");
    EXPECT_TRUE(fs::is_directory(scratch_ / "out/folder"));
}

TEST_F(ArchiveNamesTest, NamesInRussianLocale) {
    const TRunResult r =
        RunShell("LC_ALL= LC_CTYPE= LANG=ru_RU.UTF-8 " + Quote(exe_) + " -d " + Quote(scratch_ / "out"),
                 scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    // 0x80 0xA0 0xE0 0xF1 in 866: А а р ё
    EXPECT_EQ(ReadFile(scratch_ / "out" / "\xD0\x90\xD0\xB0\xD1\x80\xD1\x91.txt"), "oem");
    EXPECT_EQ(ReadFile(scratch_ / "out" / "\xD0\xB6\xD0\xB7\xD0\xB8\xD0\xB9.txt"), "ansi");
}

TEST_F(ArchiveNamesTest, ListShowsDecodedNamesTimesAndComment) {
    const TRunResult r = RunShell("LC_ALL=C " + Quote(exe_) + " -l", scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\xC3\x87\xC3\xA1\xCE\xB1\xC2\xB1.txt"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2019-05-06 07:08"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("folder/"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("archive comment"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("4 entries"), std::string::npos) << r.out;
}

} // namespace
} // namespace korvel::sfx::test
