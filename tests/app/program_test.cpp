// The korvel program itself, started the way the scheduler and shortcuts start it,
// and looked at under a virtual display.

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "platform/desktop_shortcut.h"
#include "tasks/options.h"
#include "tasks/tasks_list.h"
#include "tests/shell_commands.h"
#include "tests/virtual_display.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// A process started in the background by a shell line that wrote its id to `pidFile`;
// ended, and waited for (a zombie counts as ended), when the test leaves its scope.
struct Background {
    std::string pidFile;
    ~Background() { EndProcess(pidFile); }
};

struct XWindow {
    std::string id;
    int width = 0, height = 0;
};

// The korvel window shown on the display of `env` whose width lies in the given range,
// once it is there (looked for during up to 30 s).
std::optional<XWindow> WaitForKorvelWindow(const std::string& env, int minWidth, int maxWidth) {
    const std::regex line(R"re((0x[0-9a-f]+) "Korvel": \("korvel" "Korvel"\)\s+(\d+)x(\d+))re");
    for (int attempt = 0; attempt < 150; ++attempt) {
        const std::string tree = Capture(env + "xwininfo -root -tree 2>/dev/null");
        for (std::sregex_iterator it(tree.begin(), tree.end(), line), end; it != end; ++it) {
            const XWindow w{(*it)[1], std::stoi((*it)[2]), std::stoi((*it)[3])};
            if (w.width >= minWidth && w.width <= maxWidth &&
                Capture(env + "xwininfo -id " + w.id + " 2>/dev/null").find("IsViewable") !=
                    std::string::npos)
                return w;
        }
        Shell("sleep 0.2");
    }
    return std::nullopt;
}

// The window's size as the display has it now.
XWindow WindowNow(const std::string& env, const std::string& id) {
    const std::string info = Capture(env + "xwininfo -id " + id + " 2>/dev/null");
    std::smatch w, h;
    XWindow window{id};
    if (std::regex_search(info, w, std::regex(R"(Width: (\d+))")) &&
        std::regex_search(info, h, std::regex(R"(Height: (\d+))"))) {
        window.width = std::stoi(w[1]);
        window.height = std::stoi(h[1]);
    }
    return window;
}

// What a person sees first on a screenshot: it is the window's picture, of the window's
// size, and not one flat colour.
::testing::AssertionResult IsPictureOf(const fs::path& png, const XWindow& window) {
    std::istringstream in(
        Capture("identify -format '%w %h %[fx:standard_deviation]' '" + png.string() + "' 2>/dev/null"));
    int width = 0, height = 0;
    double deviation = 0;
    if (!(in >> width >> height >> deviation))
        return ::testing::AssertionFailure() << png << " is not a picture";
    if (width != window.width || height != window.height)
        return ::testing::AssertionFailure() << png << " is " << width << "x" << height << ", the window "
                                             << window.width << "x" << window.height;
    if (deviation < 0.02)
        return ::testing::AssertionFailure() << png << " is blank (standard deviation " << deviation << ")";
    return ::testing::AssertionSuccess();
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
    if (Have("unzip")) {
        EXPECT_EQ(Shell("unzip -tq " + D() + "out/backup.zip >/dev/null"), 0);
    }
    TTasksList list(D());
    ASSERT_TRUE(list.LoadHistory());
    ASSERT_EQ(list.HistoryCount, 1);
    EXPECT_EQ(list.History[0].TaskId, 3);
    EXPECT_EQ(list.History[0].TaskName, "Nightly archive");
    EXPECT_FALSE(fs::exists(dir_ / "options.bin.tmp"));
}

// The stub korvel puts in front of self-extracting archives is a Windows program: a backup
// made by a task run here must unpack itself under Wine into the tree it was made from.
TEST_F(ProgramTest, SelfExtractingRunUnpacksUnderWine) {
    if (!Have("wine"))
        GTEST_SKIP() << "wine is not installed";
    char magic[2] = {};
    std::ifstream(KORVEL_SFX_STUB, std::ios::binary).read(magic, 2);
    if (std::string(magic, 2) != "MZ")
        GTEST_SKIP() << "this build puts the Linux stub in front of its archives (KORVEL_SFX_STUB=linux)";
    TTasksList list(D());
    auto t = std::make_unique<TTask>();
    t->TaskName = "Self-extracting";
    t->SourceDirs = {D() + "src/"};
    t->IncludeSubDirs = true;
    t->DestDir = D() + "out/";
    t->ZipFileName = "backup.exe";
    t->SetCompressType(2);
    list.Add(std::move(t));
    ASSERT_TRUE(list.SaveTasks());
    ASSERT_EQ(Shell("cd " + D() + " && QT_QPA_PLATFORM=offscreen timeout 120 ./korvel /t 1 2>/dev/null"), 0);
    ASSERT_TRUE(fs::exists(dir_ / "out" / "backup.exe"));
    ASSERT_EQ(Shell("WINEPREFIX='" KORVEL_WINEPREFIX "' WINEDEBUG=-all timeout 300 wine " + D() +
                    "out/backup.exe -q -d 'Z:" + D() + "unpacked' >/dev/null 2>&1"),
              0);
    std::map<std::string, std::string> unpacked;
    for (const auto& item : fs::recursive_directory_iterator(dir_ / "unpacked"))
        if (item.is_regular_file()) {
            std::ifstream in(item.path(), std::ios::binary);
            unpacked[item.path().lexically_relative(dir_ / "unpacked").generic_string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    const std::map<std::string, std::string> expected = {{"a.txt", "alpha"}, {"sub/b.txt", "beta"}};
    EXPECT_EQ(unpacked, expected);
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
// run, for a person to look at: build/tests/app/screenshots/*.png. Each picture must be the
// shown korvel window's own, of its size, and not blank; that the windows' texts are drawn
// whole is checked in-process (rendered_texts_test.cpp), where the widgets can be asked.
TEST_F(ProgramTest, Screenshots) {
    for (const char* tool : {"Xvfb", "import", "identify", "convert", "xwininfo"})
        if (!Have(tool))
            GTEST_SKIP() << tool << " is not installed (xvfb, imagemagick, x11-utils)";
    const fs::path shots = fs::path(KORVEL_TEST_TMP) / ".." / "screenshots";
    fs::create_directories(shots);
    // Incompressible and big enough that the run is still going when the picture is taken.
    Shell("for i in $(seq 1 100); do head -c 1000000 /dev/urandom > " + D() + "src/f$i.bin; done");
    const VirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
    const std::string env = xvfb.Env();

    // The checks themselves: a blank window of the main window's size does not pass.
    Shell("convert -size 760x480 xc:'#efefef' " + D() + "blank.png");
    EXPECT_FALSE(IsPictureOf(dir_ / "blank.png", XWindow{"blank", 760, 480}));

    struct Shot {
        const char* name;
        const char* args;
        int minWidth, maxWidth; // tells the main window from the progress window
    };
    for (const bool russian : {false, true}) {
        WriteStores(russian);
        for (const Shot& shot : {Shot{"main", "", 600, 4000}, Shot{"progress", " /t 3", 300, 599}}) {
            const fs::path png = shots / (std::string(shot.name) + (russian ? "-ru.png" : "-en.png"));
            SCOPED_TRACE(png.string());
            fs::remove(png);
            Shell("cd " + D() + " && " + env + "./korvel" + shot.args + " >" + D() +
                  "korvel.log 2>&1 & echo $! > " + D() + "korvel.pid");
            const Background korvel{D() + "korvel.pid"};
            const auto window = WaitForKorvelWindow(env, shot.minWidth, shot.maxWidth);
            ASSERT_TRUE(window) << "no korvel window was shown; the display holds:\n"
                                << Capture(env + "xwininfo -root -tree 2>&1") << "korvel said:\n"
                                << Capture("cat " + D() + "korvel.log; ps -o stat=,etime= -p $(cat " + D() +
                                           "korvel.pid)");
            // The window settles (the progress window widens to its texts) before it is taken.
            Shell("sleep 0.5");
            const XWindow settled = WindowNow(env, window->id);
            Shell(env + "import -window " + window->id + " '" + png.string() + "'");
            EXPECT_TRUE(IsPictureOf(png, settled));
        }
    }
}
