// Desktop shortcuts: the chooser, the names, and the desktop entries, judged by the
// freedesktop.org validator and by GLib's own launcher.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/choose_tasks_form.h"
#include "app/create_icon.h"
#include "app/language.h"
#include "gui_fixture.h"
#include "platform/desktop_shortcut.h"
#include "tests/shell_commands.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string KeyOf(const std::string& entry, const std::string& key) {
    std::istringstream in(entry);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    return {};
}

} // namespace

TEST(CleanLinkName, ReplacesTheTwentyThreeCharactersOnly) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"My:Backup?", "My_Backup_"},
        {"!\"#$%&'()*:;<>?@[]^`{}~", std::string(23, '_')},
        {"a\\b/c|d.e-f,g h", "a\\b/c|d.e-f,g h"},
        {"Резервная копия", "Резервная копия"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanLinkName(c.in), c.out) << c.in;
}

// The desktop directory is always a scratch one: never the real user's desktop.
class ShortcutTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        desktop_ = dir_ / "Desktop";
        qputenv("XDG_DESKTOP_DIR", QByteArray::fromStdString(desktop_.string()));
    }
    void TearDown() override {
        qunsetenv("XDG_DESKTOP_DIR");
        MainFormTest::TearDown();
    }

    std::vector<fs::path> DesktopFiles() const {
        std::vector<fs::path> files;
        if (fs::exists(desktop_))
            for (const auto& e : fs::directory_iterator(desktop_))
                files.push_back(e.path());
        return files;
    }

    // Runs "Create desktop icon" with `act` driving the chooser once it is shown.
    void CreateIcon(const std::function<void(TChooseTasksForm&)>& act) {
        QTimer::singleShot(0, [&] { act(chooser_); });
        CreateIconAction(&Form(), Form().AllTasks(), Form().SelectedTaskIndex(), chooser_, target_);
    }

    fs::path desktop_;
    std::string target_ = "/opt/korvel/korvel";
    TChooseTasksForm chooser_;
};

TEST_F(ShortcutTest, OkAtOnceNamesTheShortcutAfterTheSelectedTask) {
    AddNamed("Documents");
    AddNamed("Photos: weekly");
    Form().BuildTaskTree();
    Form().SelectTreePosition(1);
    CreateIcon([](TChooseTasksForm& f) {
        EXPECT_EQ(f.TaskNameEdit->text(), "Photos: weekly") << "proposed unchanged";
        f.Button1->click();
    });
    ASSERT_EQ(boxes, std::vector<std::string>{"Desktop shortcut created."});
    const fs::path file = desktop_ / "Photos_ weekly.desktop";
    ASSERT_TRUE(fs::exists(file));
    const std::string entry = ReadText(file);
    EXPECT_EQ(KeyOf(entry, "Exec"), "/opt/korvel/korvel /t 2");
    EXPECT_EQ(KeyOf(entry, "Path"), "/opt/korvel/");
    EXPECT_EQ(KeyOf(entry, "Type"), "Application");
    EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(ShortcutTest, MultipleSelectionGivesIdsInListOrder) {
    for (const char* n : {"A", "B", "C"})
        AddNamed(n);
    Form().BuildTaskTree();
    CreateIcon([](TChooseTasksForm& f) {
        f.ListBox1->setCurrentRow(1); // as a click: B alone is ticked, the name follows
        EXPECT_EQ(f.TaskNameEdit->text(), "B");
        f.MultSelectionCheck->setChecked(true);
        EXPECT_TRUE(f.CheckListBox1->isVisibleTo(&f));
        EXPECT_FALSE(f.ListBox1->isVisibleTo(&f));
        EXPECT_EQ(f.CheckListBox1->currentRow(), 1);
        f.CheckListBox1->item(1)->setCheckState(Qt::Unchecked);
        f.CheckListBox1->item(2)->setCheckState(Qt::Checked);
        f.CheckListBox1->item(0)->setCheckState(Qt::Checked);
        f.TaskNameEdit->setText("Both");
        f.Button1->click();
    });
    EXPECT_EQ(KeyOf(ReadText(desktop_ / "Both.desktop"), "Exec"), "/opt/korvel/korvel /t 1 3");
    // The choice of multiple selection lasts while the program runs.
    CreateIcon([](TChooseTasksForm& f) {
        EXPECT_TRUE(f.MultSelectionCheck->isChecked());
        f.MultSelectionCheck->setChecked(false);
        f.Button1->click();
    });
    EXPECT_EQ(KeyOf(ReadText(desktop_ / "A.desktop"), "Exec"), "/opt/korvel/korvel /t 1");
}

TEST_F(ShortcutTest, CancelOrNoTickWritesNothingAndSaysNothing) {
    AddNamed("A");
    Form().BuildTaskTree();
    CreateIcon([](TChooseTasksForm& f) { f.Button2->click(); });
    CreateIcon([](TChooseTasksForm& f) { f.reject(); }); // the close box
    CreateIcon([](TChooseTasksForm& f) {
        f.MultSelectionCheck->setChecked(true);
        f.CheckListBox1->item(0)->setCheckState(Qt::Unchecked);
        f.Button1->click();
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(DesktopFiles().empty());
}

TEST_F(ShortcutTest, EmptyNameTakesTheFirstChosenTasksName) {
    AddNamed("Mail?");
    Form().BuildTaskTree();
    CreateIcon([](TChooseTasksForm& f) {
        f.TaskNameEdit->setText("");
        f.Button1->click();
    });
    EXPECT_EQ(DesktopFiles(), std::vector<fs::path>{desktop_ / "Mail_.desktop"});
}

TEST_F(ShortcutTest, UnwritableDesktopIsReportedInBothLanguages) {
    AddNamed("A");
    Form().BuildTaskTree();
    std::ofstream(dir_ / "file") << "x"; // a desktop "directory" that is a file
    qputenv("XDG_DESKTOP_DIR", QByteArray::fromStdString((dir_ / "file").string()));
    CreateIcon([](TChooseTasksForm& f) { f.Button1->click(); });
    ApplyLanguage(true);
    CreateIcon([](TChooseTasksForm& f) { f.Button1->click(); });
    ApplyLanguage(false);
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Couldn't create the shortcut", "Не удалось создать иконку."}));
}

TEST_F(ShortcutTest, ChooserTextsInBothLanguages) {
    ApplyLanguage(true);
    EXPECT_EQ(chooser_.windowTitle(), "Выберите нужные задачи");
    EXPECT_EQ(chooser_.MultSelectionCheck->text(), "Выбор нескольких задач");
    EXPECT_EQ(chooser_.Label1->text(), "Название иконки:");
    EXPECT_EQ(chooser_.Button1->text(), "Ок");
    EXPECT_EQ(chooser_.Button2->text(), "Отмена");
    EXPECT_EQ(chooser_.Button3->text(), "Помощь");
    EXPECT_EQ(chooser_.TaskNameEdit->accessibleName(), "Название иконки:");
    ApplyLanguage(false);
    EXPECT_EQ(chooser_.windowTitle(), "Choose required tasks");
    EXPECT_EQ(chooser_.MultSelectionCheck->text(), "Select multiple tasks");
    EXPECT_EQ(chooser_.Label1->text(), "Icon name:");
    EXPECT_EQ(chooser_.Button1->text(), "Ok");
    EXPECT_EQ(chooser_.Button2->text(), "Cancel");
    EXPECT_FALSE(chooser_.Button3->isVisibleTo(&chooser_));
}

TEST(QuoteExecArgument, QuotesReservedCharactersAndDoublesPercent) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"/t", "/t"},
        {"37", "37"},
        {"/opt/a b/korvel", "\"/opt/a b/korvel\""},
        {"/opt/100%/korvel", "/opt/100%%/korvel"},
        {"/opt/a\"b$c`d\\e/k", "\"/opt/a\\\"b\\$c\\`d\\\\e/k\""},
        {"/opt/it's/k", "\"/opt/it's/k\""},
        {"", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteExecArgument(c.in), c.out) << c.in;
}

// Awkward names and an awkward program directory: the validator accepts every file, and
// GLib's launcher, unquoting the Exec line as a desktop does, starts exactly the program
// with "/t" and the ids, in the program's directory.
TEST_F(ShortcutTest, EntriesValidateAndLaunchExactly) {
    if (!Have("desktop-file-validate") || !Have("gio"))
        GTEST_SKIP() << "desktop-file-validate or gio is not installed";
    // No "%" here: GLib looks for the program before it undoes the "%%" of the Exec line
    // (the quoting table below covers it).
    const fs::path progDir = dir_ / "my \"progs\" $HOME `x` \\back\\ 'q' Программы";
    fs::create_directories(progDir);
    const fs::path program = progDir / "kor vel";
    const fs::path record = dir_ / "launched";
    std::ofstream(program) << "#!/bin/sh\n{ pwd; printf '%s\\n' \"$0\" \"$@\"; } > "
                           << Quoted(record.string()) << "\n";
    fs::permissions(program, fs::perms::owner_all);
    std::ofstream(progDir / "korvel.svg") << "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";

    const std::string names[] = {"My tasks",    "say \"hi\"", "Резервная копия", "100% done",
                                 "back\\slash", " leading",   "tab\there",       "Korvel"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        fs::remove(record);
        ASSERT_TRUE(CreateDesktopShortcut(program.string(), "/t 3 7", name));
        const fs::path file = desktop_ / (name + ".desktop");
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(Shell("desktop-file-validate " + Quoted(file.string()) + " > " +
                        Quoted((dir_ / "v").string()) + " 2>&1"),
                  0);
        EXPECT_EQ(ReadText(dir_ / "v"), "") << ReadText(file);
        EXPECT_TRUE(ReadText(file).find("\nIcon=") != std::string::npos) << "the program's icon beside it";
        ASSERT_EQ(
            Shell("env -u DBUS_SESSION_BUS_ADDRESS gio launch " + Quoted(file.string()) + " 2>/dev/null"), 0);
        for (int i = 0; i < 500 && ReadText(record).find("\n7\n") == std::string::npos; ++i)
            usleep(10000);
        EXPECT_EQ(ReadText(record), progDir.string() + "\n" + program.string() + "\n/t\n3\n7\n")
            << ReadText(file);
    }
    EXPECT_EQ(DesktopFiles().size(), std::size(names)) << "no temporaries left behind";
}

// Where the desktop is: the variable, else the user-dirs file, else ~/Desktop.
TEST(DesktopDirectory, FollowsTheXdgUserDirs) {
    const fs::path home =
        fs::temp_directory_path() / ("korvel-home-" + std::to_string(std::random_device{}()));
    fs::create_directories(home / ".config");
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(home.string()));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DESKTOP_DIR");

    EXPECT_EQ(DesktopDirectory(), home.string() + "/Desktop/");
    std::ofstream(home / ".config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                          "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                                          "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n";
    EXPECT_EQ(DesktopDirectory(), home.string() + "/Рабочий стол/");
    qputenv("XDG_DESKTOP_DIR", "/srv/desk");
    EXPECT_EQ(DesktopDirectory(), "/srv/desk/");

    qunsetenv("XDG_DESKTOP_DIR");
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldConfig);
    fs::remove_all(home);
}
