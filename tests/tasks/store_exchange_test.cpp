// Stores written by the Windows build under Wine load field for field on Linux, and the
// other way round. Wine runs as a Russian system, so its stores hold their Cyrillic in
// code page 1251 and Linux's in UTF-8: each side converts the other's texts to compare.

#include <gtest/gtest.h>

#include "../shell_commands.h"
#include "store_fixture.h"

namespace {

const std::string kWine = std::string("LC_ALL=ru_RU.UTF-8 WINEPREFIX='") + KORVEL_WINEPREFIX +
                          "' WINEDEBUG=-all wine '" + KORVEL_STORE_SAMPLE_WINDOWS + "'";
const std::string kLinux = std::string("'") + KORVEL_STORE_SAMPLE + "'";

class StoreExchangeTest : public StoreDirTest {
protected:
    void SetUp() override {
        if (!Have("wine"))
            GTEST_SKIP() << "wine is not installed: the Windows side of the store exchange cannot run";
        StoreDirTest::SetUp();
    }

    // Runs a command line of store_sample; its output lands in the test's message.
    int Run(const std::string& command) {
        const std::string log = Path("log.txt");
        const int rc = Shell(command + " > '" + log + "' 2>&1");
        std::ifstream in(log);
        output_ += command + "\n" + std::string(std::istreambuf_iterator<char>(in), {});
        std::filesystem::remove(log);
        return rc;
    }

    // Wine sees the Linux root as drive Z:.
    std::string WineDir() const { return "Z:" + dir_.string() + "/"; }

    std::string output_;
};

TEST_F(StoreExchangeTest, WindowsWritesLinuxReads) {
    ASSERT_EQ(Run(kWine + " write '" + WineDir() + "'"), 0) << output_;
    EXPECT_EQ(Run(kLinux + " check '" + Dir() + "' 1251"), 0) << output_;
}

TEST_F(StoreExchangeTest, LinuxWritesWindowsReads) {
    ASSERT_EQ(Run(kLinux + " write '" + Dir() + "'"), 0) << output_;
    EXPECT_EQ(Run(kWine + " check '" + WineDir() + "' 65001"), 0) << output_;
}

// The check is not blind: a store written in one code page and read as another differs.
TEST_F(StoreExchangeTest, TheCheckSeesTextsOfTheWrongCodePage) {
    ASSERT_EQ(Run(kWine + " write '" + WineDir() + "'"), 0) << output_;
    EXPECT_NE(Run(kLinux + " check '" + Dir() + "'"), 0) << output_;
    EXPECT_NE(output_.find("TaskName"), std::string::npos) << output_;
}

} // namespace
