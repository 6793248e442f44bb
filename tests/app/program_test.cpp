// The korvel program itself, started the way the scheduler and shortcuts start it,
// and looked at under a virtual display.

#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

#include "platform/desktop_shortcut.h"
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

// A desktop shortcut, started the way a desktop starts it, runs its tasks headless.
TEST_F(ProgramTest, DesktopShortcutRunsItsTasks) {
    if (!Have("gio"))
        GTEST_SKIP() << "gio is not installed";
    WriteStores(false);
    setenv("XDG_DESKTOP_DIR", (D() + "Desktop").c_str(), 1);
    const bool created = CreateDesktopShortcut(D() + "korvel", "/t 3", "Nightly archive");
    unsetenv("XDG_DESKTOP_DIR");
    ASSERT_TRUE(created);
    ASSERT_EQ(Shell("env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen gio launch '" + D() +
                    "Desktop/Nightly archive.desktop' 2>/dev/null"),
              0);
    // The launcher does not wait for the program: the history store is its last word.
    for (int i = 0; i < 1200 && !fs::exists(dir_ / "history.bin"); ++i)
        usleep(100000);
    ASSERT_TRUE(fs::exists(dir_ / "history.bin"));
    TTasksList list(D());
    ASSERT_TRUE(list.LoadHistory());
    ASSERT_EQ(list.HistoryCount, 1);
    EXPECT_EQ(list.History[0].TaskId, 3);
    EXPECT_TRUE(fs::exists(dir_ / "out" / "backup.zip"));
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
