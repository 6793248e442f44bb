#pragma once
// Tests that change the user's real crontab: whatever it held before is put back
// byte for byte afterwards, also when there was none.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

#include "tests/shell_commands.h"

namespace korvel_test {

inline std::string ShellOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

class CrontabTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("command -v crontab >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "crontab is not installed (scripts/install-deps.sh installs cron)";
        scratch_ = std::filesystem::temp_directory_path() /
                   ("korvel-crontab-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(scratch_);
        hadCrontab_ = Shell("crontab -l >" + Saved() + " 2>/dev/null") == 0;
        saved_ = true;
    }
    void TearDown() override {
        if (!saved_)
            return;
        if (hadCrontab_)
            EXPECT_EQ(Shell("crontab " + Saved()), 0) << "the machine's crontab could not be restored";
        else
            Shell("crontab -r 2>/dev/null");
        std::filesystem::remove_all(scratch_);
    }

    std::string Saved() const { return (scratch_ / "saved-crontab").string(); }

    // Replaces the crontab with exactly `text`; an empty text removes it.
    void SetCrontab(const std::string& text) {
        if (text.empty()) {
            Shell("crontab -r 2>/dev/null");
            return;
        }
        const auto file = scratch_ / "new-crontab";
        std::ofstream(file, std::ios::binary) << text;
        ASSERT_EQ(Shell("crontab " + file.string()), 0) << text;
    }
    static std::string Crontab() { return ShellOutput("crontab -l 2>/dev/null"); }
    static bool HasCrontab() { return Shell("crontab -l >/dev/null 2>&1") == 0; }

    std::filesystem::path scratch_;
    bool hadCrontab_ = false;
    bool saved_ = false;
};

} // namespace korvel_test
