// The program as a package installs it: laid out under /usr in a scratch root (by
// `cmake --install` and from the .deb), started by a user who cannot write its
// directory, with its stores in that user's configuration directory.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <pwd.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tasks/tasks_list.h"
#include "tests/shell_commands.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

std::string Q(const fs::path& path) {
    std::string quoted = "'";
    for (const char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const char* const kStores[] = {"tasks.bin", "history.bin", "options.bin"};

// A scratch directory with an installed tree in root/, run by a user who cannot write
// its bin/: as root (CI) the program runs as nobody, who owns only the scratch home and
// the backup's destination; as anyone else bin/ is made read-only.
class InstalledTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(KORVEL_TEST_TMP) / ("install-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "src" / "sub");
        fs::create_directories(dir_ / "out");
        std::ofstream(dir_ / "src" / "a.txt") << "alpha";
        std::ofstream(dir_ / "src" / "sub" / "b.txt") << std::string(100000, 'b');
        if (::geteuid() == 0) {
            if (!Have("setpriv") || !::getpwnam("nobody"))
                GTEST_SKIP() << "running as root without setpriv or the user nobody";
            runAs_ = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
        }
    }
    void TearDown() override {
        Shell("chmod -R u+w " + Q(dir_) + " 2>/dev/null");
        fs::remove_all(dir_);
    }

    fs::path Root() const { return dir_ / "root"; }
    fs::path Bin() const { return Root() / "usr" / "bin"; }

    // Hands the directory to the user the program runs as.
    void GiveToRunner(const fs::path& path) const {
        if (!runAs_.empty()) {
            ASSERT_EQ(Shell("chown -R nobody:nogroup " + Q(path)), 0);
        }
    }

    void MakeReadOnlyForRunner(const fs::path& dir) const {
        if (runAs_.empty())
            fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
    }

    // Starts `program` with `arguments` the way cron does: a bare environment and no
    // display (the platform plugin stands in for it). Returns the exit status.
    int Start(const fs::path& program, const std::string& arguments, const fs::path& home,
              const std::string& environment = "") const {
        return Shell(runAs_ + "env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen HOME=" + Q(home) + " " +
                     environment + " timeout 120 " + Q(program) + " " + arguments + " 2>" +
                     Q(dir_ / "stderr"));
    }

    // The installed program under root/usr, with its bin/ read-only for the runner,
    // keeps its stores in the runner's ~/.config/korvel/ (created for the user alone)
    // and finds its self-extractor stub among its data.
    void CheckInstalledProgramRunsATask() {
        ASSERT_TRUE(fs::is_regular_file(Bin() / "korvel"));
        MakeReadOnlyForRunner(Bin());
        const fs::path home = dir_ / "home";
        fs::create_directories(home);
        GiveToRunner(home);
        GiveToRunner(dir_ / "out");

        ASSERT_EQ(Start(Bin() / "korvel", "/t", home), 0) << ReadText(dir_ / "stderr");
        const fs::path config = home / ".config" / "korvel";
        ASSERT_TRUE(fs::is_directory(config)) << "the stores' directory is made at start";
        struct stat st {};
        ASSERT_EQ(::stat(config.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        {
            TTasksList list(config.string() + "/");
            auto task = std::make_unique<TTask>();
            task->TaskName = "Documents";
            task->SourceDirs = {(dir_ / "src").string() + "/"};
            task->IncludeSubDirs = true;
            task->DestDir = (dir_ / "out").string() + "/";
            task->ZipFileName = "backup.exe";
            task->SetCompressType(2); // self-extracting: the stub comes from the program's data
            const int id = list.Add(std::move(task)).TaskId;
            ASSERT_EQ(id, 1);
            ASSERT_TRUE(list.SaveTasks());
        }
        GiveToRunner(config);

        ASSERT_EQ(Start(Bin() / "korvel", "/t 1", home), 0) << ReadText(dir_ / "stderr");
        const fs::path archive = dir_ / "out" / "backup.exe";
        ASSERT_TRUE(fs::is_regular_file(archive)) << ReadText(dir_ / "stderr");
        const std::string stub = ReadText(Root() / "usr" / "share" / "korvel" / "sfx32pro.bin");
        ASSERT_FALSE(stub.empty());
        EXPECT_EQ(ReadText(archive).compare(0, stub.size(), stub), 0) << "the archive starts with the stub";
        if (Have("unzip")) {
            EXPECT_EQ(Shell("unzip -tq " + Q(archive) + " >/dev/null"), 0);
        }
        EXPECT_TRUE(fs::is_regular_file(config / "history.bin")) << "the run is recorded";
        for (const char* store : kStores)
            EXPECT_FALSE(fs::exists(Bin() / store)) << store;

        // $XDG_CONFIG_HOME moves the stores.
        ASSERT_EQ(Start(Bin() / "korvel", "/t", home, "XDG_CONFIG_HOME=" + Q(home / "elsewhere")), 0);
        EXPECT_TRUE(fs::is_directory(home / "elsewhere" / "korvel"));
    }

    fs::path dir_;
    std::string runAs_;
};

} // namespace

class InstalledProgram : public InstalledTreeTest {};

TEST_F(InstalledProgram, KeepsItsStoresPerUser) {
    ASSERT_EQ(Shell("DESTDIR=" + Q(Root()) + " " + Q(KORVEL_CMAKE) + " --install " + Q(KORVEL_BUILD_DIR) +
                    " --prefix /usr >/dev/null"),
              0);
    CheckInstalledProgramRunsATask();
}

// A portable copy (the program alone in its directory) in a directory its user cannot
// write keeps its stores per user too; in a writable one they stay beside it.
TEST_F(InstalledProgram, PortableCopyInAReadOnlyDirectoryUsesTheUserDirectory) {
    const fs::path portable = dir_ / "portable";
    fs::create_directories(portable);
    fs::copy_file(KORVEL_BINARY, portable / "korvel");
    const fs::path home = dir_ / "home";
    fs::create_directories(home);
    GiveToRunner(home);
    MakeReadOnlyForRunner(portable);
    ASSERT_EQ(Start(portable / "korvel", "/t", home), 0) << ReadText(dir_ / "stderr");
    EXPECT_TRUE(fs::is_directory(home / ".config" / "korvel"));

    fs::remove_all(home / ".config");
    Shell("chmod u+w " + Q(portable));
    GiveToRunner(portable);
    ASSERT_EQ(Start(portable / "korvel", "/t", home), 0) << ReadText(dir_ / "stderr");
    EXPECT_FALSE(fs::exists(home / ".config" / "korvel"));
    EXPECT_EQ(std::distance(fs::directory_iterator(portable), {}), 1)
        << "the writability probe leaves nothing";
}

class DebianPackage : public InstalledTreeTest {};

// The package of `make package`: its control fields, its files, and the program from
// it at work.
TEST_F(DebianPackage, HoldsADesktopApplicationThatRuns) {
    if (!Have("dpkg-deb") || !Have("dpkg-shlibdeps"))
        GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps is not installed";
    const fs::path packages = dir_ / "packages";
    ASSERT_EQ(Shell("cd " + Q(KORVEL_BUILD_DIR) + " && " + Q(KORVEL_CPACK) + " -G DEB -B " + Q(packages) +
                    " >" + Q(dir_ / "cpack.log") + " 2>&1"),
              0)
        << ReadText(dir_ / "cpack.log");
    fs::path deb;
    for (const auto& e : fs::directory_iterator(packages))
        if (e.path().extension() == ".deb")
            deb = e.path();
    ASSERT_FALSE(deb.empty()) << ReadText(dir_ / "cpack.log");

    const std::string info = Capture("dpkg-deb -I " + Q(deb));
    EXPECT_NE(info.find(" Package: korvel\n"), std::string::npos) << info;
    EXPECT_NE(info.find(" Section: utils\n"), std::string::npos) << info;
    EXPECT_NE(info.find(" Maintainer: "), std::string::npos) << info;
    EXPECT_NE(info.find(" Depends: "), std::string::npos) << info;
    EXPECT_NE(info.find("libqt6widgets6"), std::string::npos) << "dependencies from the linked libraries\n"
                                                              << info;

    const std::string contents = Capture("dpkg-deb -c " + Q(deb));
    std::vector<std::string> expected = {"./usr/bin/korvel",
                                         "./usr/share/applications/korvel.desktop",
                                         "./usr/share/metainfo/io.github.korvel.Korvel.metainfo.xml",
                                         "./usr/share/icons/hicolor/scalable/apps/korvel.svg",
                                         "./usr/share/korvel/sfx32pro.bin",
                                         "./usr/share/korvel/korvel.chm",
                                         "./usr/share/korvel/korvel_en.chm",
                                         "./usr/share/korvel/KV/help2.html"};
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        expected.push_back("./usr/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                           "/apps/korvel.png");
    for (const std::string& file : expected)
        EXPECT_NE(contents.find(" " + file + "\n"), std::string::npos) << file << "\n" << contents;

    ASSERT_EQ(Shell("dpkg -x " + Q(deb) + " " + Q(Root())), 0);
    for (const std::string& file : expected)
        EXPECT_TRUE(fs::exists(Root() / file)) << file;
    if (Have("desktop-file-validate")) {
        const fs::path desktop = Root() / "usr/share/applications/korvel.desktop";
        EXPECT_EQ(Capture("desktop-file-validate " + Q(desktop) + " 2>&1"), "");
    }
    if (Have("appstreamcli")) {
        const fs::path metainfo = Root() / "usr/share/metainfo/io.github.korvel.Korvel.metainfo.xml";
        EXPECT_EQ(Shell("appstreamcli validate --no-net " + Q(metainfo) + " >/dev/null"), 0)
            << Capture("appstreamcli validate --no-net " + Q(metainfo));
    }
    CheckInstalledProgramRunsATask();
}
