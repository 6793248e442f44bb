// The korvel program itself, started the way the scheduler and shortcuts start it,
// and looked at under a virtual display.

#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

#include "tasks/options.h"
#include "tasks/tasks_list.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

int Shell(const std::string& command) {
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

bool Have(const std::string& tool) {
    return Shell("command -v " + tool + " >/dev/null 2>&1") == 0;
}

} // namespace

// A copy of the program in a fresh directory, so that its stores are the test's own.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(KORVEL_TEST_TMP) / ("program-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "src" / "sub");
        fs::copy_file(KORVEL_BINARY, dir_ / "korvel");
        if (fs::exists(KORVEL_SFX_STUB))
            fs::copy_file(KORVEL_SFX_STUB, dir_ / "sfx32pro.bin");
        std::ofstream(dir_ / "src" / "a.txt") << "alpha";
        std::ofstream(dir_ / "src" / "sub" / "b.txt") << "beta";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string D() const { return dir_.string() + "/"; }

    // Three tasks; the third writes a zip archive of src/.
    void WriteStores(bool russian) {
        TTasksList list(D());
        for (const char* name : {"Documents", "Photos", "Nightly archive"}) {
            auto t = std::make_unique<TTask>();
            t->TaskName = name;
            t->SourceDirs = {D() + "src/"};
            t->IncludeSubDirs = true;
            t->DestDir = D() + "out/";
            t->ZipFileName = "backup.zip";
            list.Add(std::move(t));
        }
        ASSERT_TRUE(list.SaveTasks());
        std::ofstream(dir_ / "options.bin", std::ios::binary) << (russian ? '\1' : '\0');
    }

    fs::path dir_;
};

TEST_F(ProgramTest, TaskRunStartRunsTheTaskAndEnds) {
    WriteStores(false);
    ASSERT_EQ(Shell("cd " + D() + " && QT_QPA_PLATFORM=offscreen timeout 120 ./korvel /T 3 2>/dev/null"), 0);
    ASSERT_TRUE(fs::exists(dir_ / "out" / "backup.zip"));
    if (Have("unzip"))
        EXPECT_EQ(Shell("unzip -tq " + D() + "out/backup.zip >/dev/null"), 0);
    TTasksList list(D());
    ASSERT_TRUE(list.LoadHistory());
    ASSERT_EQ(list.HistoryCount, 1);
    EXPECT_EQ(list.History[0].TaskId, 3);
    EXPECT_EQ(list.History[0].TaskName, "Nightly archive");
    EXPECT_FALSE(fs::exists(dir_ / "options.bin.tmp"));
}

TEST_F(ProgramTest, TaskRunStartWithoutStoresEndsAtOnce) {
    ASSERT_EQ(Shell("cd " + D() + " && QT_QPA_PLATFORM=offscreen timeout 60 ./korvel /t 1 2>/dev/null"), 0);
    EXPECT_FALSE(fs::exists(dir_ / "tasks.bin"));
    EXPECT_FALSE(fs::exists(dir_ / "options.bin")) << "no language was chosen";
    EXPECT_FALSE(fs::exists(dir_ / "history.bin")) << "nothing ran";
}

// Started by cron: no display to open, no one to answer. The run must neither hang
// nor crash; its messages go to standard error and a failure shows in the status.
TEST_F(ProgramTest, TaskRunStartWithoutDisplayRunsHeadless) {
    WriteStores(false);
    {
        TTasksList list(D());
        ASSERT_TRUE(list.LoadTasks());
        list.Item(0).DestDir.clear();
        ASSERT_TRUE(list.SaveTasks());
    }
    const std::string start =
        "cd " + D() + " && env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:4711 timeout 120 ./korvel ";
    EXPECT_EQ(Shell(start + "/t 3 2>" + D() + "ok.err"), 0);
    EXPECT_TRUE(fs::exists(dir_ / "out" / "backup.zip"));
    EXPECT_EQ(fs::file_size(dir_ / "ok.err"), 0u) << "cron would mail anything printed";

    EXPECT_EQ(Shell(start + "/t 1 3 2>" + D() + "failed.err"), 1);
    std::ifstream err(dir_ / "failed.err");
    std::string line, messages;
    while (std::getline(err, line)) {
        if (line.starts_with("Korvel: "))
            messages += line + "\n";
    }
    EXPECT_NE(messages.find("destination"), std::string::npos) << messages;

    TTasksList list(D());
    ASSERT_TRUE(list.LoadHistory());
    EXPECT_EQ(list.HistoryCount, 1) << "the refused task stops the run";
}

// Screenshots of the main window in both languages and of the progress window during a
// run, for a person to look at: build/tests/app/screenshots/*.png.
TEST_F(ProgramTest, Screenshots) {
    if (!Have("Xvfb") || !Have("import"))
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    const fs::path shots = fs::path(KORVEL_TEST_TMP) / ".." / "screenshots";
    fs::create_directories(shots);
    // A big enough source that the run is still going when the picture is taken.
    Shell("for i in $(seq 1 150); do head -c 2000000 /dev/urandom > " + D() + "src/f$i.bin; done");
    const int display = 90 + static_cast<int>(std::random_device{}() % 100);
    const std::string env = "DISPLAY=:" + std::to_string(display) + " QT_QPA_PLATFORM=xcb ";
    ASSERT_EQ(Shell("Xvfb :" + std::to_string(display) +
                    " -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & "
                    "echo $! > " +
                    D() + "xvfb.pid; sleep 1"),
              0);
    for (const bool russian : {false, true}) {
        WriteStores(russian);
        const std::string lang = russian ? "ru" : "en";
        Shell("cd " + D() + " && " + env + "./korvel >/dev/null 2>&1 & echo $! > " + D() +
              "korvel.pid; sleep 2; " + env + "import -window root " +
              (shots / ("main-" + lang + ".png")).string() + "; kill $(cat " + D() + "korvel.pid)");
        Shell("cd " + D() + " && " + env + "./korvel /t 3 >/dev/null 2>&1 & echo $! > " + D() +
              "korvel.pid; sleep 2.5; " + env + "import -window root " +
              (shots / ("progress-" + lang + ".png")).string() + "; kill $(cat " + D() + "korvel.pid)");
    }
    Shell("kill $(cat " + D() + "xvfb.pid)");
    for (const char* name : {"main-en.png", "main-ru.png", "progress-en.png", "progress-ru.png"})
        EXPECT_GT(fs::file_size(shots / name), 1000u) << name;
}
