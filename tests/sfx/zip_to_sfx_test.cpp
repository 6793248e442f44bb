// The archive engine's own self-extracting output, run: what TZipWriter::ZipToSfx
// writes in front of and behind the stub must come out again unchanged.

#include "archive/zip_writer.h"
#include "sfx_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace korvel::sfx::test {
namespace {

class ZipToSfxTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        // Entry names go through the OEM code page, which the locale chooses.
        const char* lang = std::getenv("LANG");
        savedLang_ = lang ? std::optional<std::string>(lang) : std::nullopt;
        ::setenv("LANG", "C.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_CTYPE");
        source_ = scratch_ / "source";
        WriteFile(source_ / "caf\xC3\xA9.txt", "accented name\n"); // é exists in code page 437
        WriteFile(source_ / "sub/deep/data.txt", std::string(100000, 'z'));
        WriteFile(source_ / "sub/empty.txt", "");
        std::time_t when = 1500000000;
        for (const auto& item : fs::recursive_directory_iterator(source_)) {
            if (item.is_regular_file()) {
                SetTime(item.path(), when += 7200);
            }
        }
    }
    void TearDown() override {
        if (savedLang_) {
            ::setenv("LANG", savedLang_->c_str(), 1);
        } else {
            ::unsetenv("LANG");
        }
    }

    TScratch scratch_;
    fs::path source_;
    std::optional<std::string> savedLang_;
};

TEST_P(ZipToSfxTest, WriterOutputExtractsToTheSourceFiles) {
    const std::string password = GetParam();
    TZipWriter writer;
    writer.SetPackLevel(6);
    writer.SetRelativePaths(true);
    writer.SetRootDir(source_.string() + "/");
    writer.SetPassword(password);
    for (const auto& item : fs::recursive_directory_iterator(source_)) {
        if (item.is_regular_file()) {
            writer.FilesList().push_back(item.path().string());
        }
    }
    const fs::path exe = scratch_ / "backup.exe";
    ASSERT_EQ(writer.ZipToSfx(StubPath().string(), exe.string()), 3);
    fs::permissions(exe, fs::perms::owner_all, fs::perm_options::add);
    // The accented name is stored in code page 437 (é = 0x82), so the stub has to convert it back.
    EXPECT_NE(ReadFile(exe).find("caf\x82.txt"), std::string::npos);

    const std::string passwordOption = password.empty() ? "" : " -p " + Quote(password);
    const TRunResult r = RunShell(
        "LANG=C.UTF-8 " + Quote(exe) + passwordOption + " -d " + Quote(scratch_ / "out"), scratch_.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const auto expected = ReadTree(source_);
    const auto actual = ReadTree(scratch_ / "out");
    for (const auto& [name, item] : expected) {
        if (item.directory) {
            continue; // the writer is given files only
        }
        const auto found = actual.find(name);
        ASSERT_NE(found, actual.end()) << name << " missing";
        EXPECT_TRUE(found->second.bytes == item.bytes) << name;
        EXPECT_EQ(found->second.mtime, item.mtime) << name;
    }
    if (!password.empty()) {
        EXPECT_NE(RunShell(Quote(exe) + " -p wrong -d " + Quote(scratch_ / "out2"), scratch_.Path()).status,
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(Writer, ZipToSfxTest, ::testing::Values("", "secret"),
                         [](const auto& info) { return std::string(*info.param ? "encrypted" : "plain"); });

} // namespace
} // namespace korvel::sfx::test
