// The real editor behind the main window's Add, Edit and Clone, and a task made in it
// run by the korvel program itself, its archive judged by unzip.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../app/gui_fixture.h"
#include "editor/task_ed_form.h"
#include "tests/shell_commands.h"

using namespace korvel;
namespace fs = std::filesystem;

class MainWindowEditorTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        editor_ = std::make_unique<TTaskEdForm>(&Form());
        Form().Services().EditTask = [this](TTask& task, bool isNew) {
            return editor_->EditTask(task, isNew);
        };
        editor_->Services().BrowseForFolder = [this](std::string& path, const QString&, bool) {
            path = Dir() + "src/";
            return true;
        };
        fs::create_directories(dir_ / "src" / "sub");
        std::ofstream(dir_ / "src" / "a.txt") << "alpha alpha alpha";
        std::ofstream(dir_ / "src" / "sub" / "b.txt") << "beta";
    }
    void TearDown() override {
        editor_.reset();
        MainFormTest::TearDown();
    }

    // Acts in the editor once its modal loop runs; `act` ends by applying or cancelling.
    void WhenEditorOpens(std::function<void(TTaskEdForm&)> act) {
        QTimer::singleShot(0, editor_.get(), [this, act] {
            ASSERT_EQ(QApplication::activeModalWidget(), editor_.get());
            act(*editor_);
            if (editor_->isVisible()) {
                ADD_FAILURE() << "the editor was left open";
                editor_->reject();
            }
        });
    }

    std::unique_ptr<TTaskEdForm> editor_;
};

TEST_F(MainWindowEditorTest, AddEditCloneAndRunWithTheProgram) {
    WhenEditorOpens([dir = Dir()](TTaskEdForm& ed) {
        EXPECT_EQ(ed.ApplyButton->text(), "Finish");
        EXPECT_EQ(ed.TaskNameEdit->text(), "Task 1");
        ed.TaskNameEdit->setText("Source to zip");
        ed.AddDirButton->click();
        ed.IncludeSubDirsCheck->click();
        ed.DestDirEdit->setText(QString::fromStdString(dir + "out")); // typed without the separator
        ed.ZipFileNameEdit->setText("backup.zip");
        ed.ApplyButton->click();
    });
    Form().AddTask();
    ASSERT_EQ(Form().AllTasks().Count(), 1);
    TTask& added = Form().AllTasks().Item(0);
    EXPECT_EQ(added.TaskName, "Source to zip");
    EXPECT_EQ(added.TaskId, 1);
    EXPECT_EQ(added.SourceDirs, (std::vector<std::string>{Dir() + "src/"}));
    EXPECT_EQ(added.DestDir, Dir() + "out/");
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Source to zip"}));

    // Edit: the task itself changes and the list is marked changed.
    Form().AllTasks().Modified = false;
    WhenEditorOpens([](TTaskEdForm& ed) {
        EXPECT_EQ(ed.ApplyButton->text(), "Apply");
        ed.TaskNameEdit->setText("Nightly");
        ed.ApplyButton->click();
    });
    Form().EditTask();
    EXPECT_EQ(Form().AllTasks().Item(0).TaskName, "Nightly");
    EXPECT_TRUE(Form().AllTasks().Modified);
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Nightly"}));

    // An edit with a bad day is not applied until the day is corrected.
    WhenEditorOpens([](TTaskEdForm& ed) {
        ed.TaskNameEdit->setText("Bad day");
        ed.ScheduleMonthDaysEdit->setText("32");
        ed.ApplyButton->click();
        EXPECT_TRUE(ed.isVisible());
        EXPECT_EQ(ed.CurrentPage(), TTaskEdForm::SchedulePage);
        ed.CancelButton->click();
    });
    Form().AllTasks().Modified = false;
    Form().EditTask();
    EXPECT_EQ(Form().AllTasks().Item(0).TaskName, "Nightly");
    EXPECT_FALSE(Form().AllTasks().Modified);
    EXPECT_EQ(boxes.size(), 1u);

    // Clone: a new task with the settings of the selected one.
    WhenEditorOpens([](TTaskEdForm& ed) {
        EXPECT_EQ(ed.TaskNameEdit->text(), "Copy of Nightly");
        EXPECT_EQ(ed.ApplyButton->text(), "Finish");
        ed.ApplyButton->click();
    });
    Form().CloneTask();
    ASSERT_EQ(Form().AllTasks().Count(), 2);
    EXPECT_EQ(Form().AllTasks().Item(1).TaskId, 2);
    EXPECT_EQ(Form().AllTasks().Item(1).SourceDirs, Form().AllTasks().Item(0).SourceDirs);

    // Cancelled Add and Clone leave the list and its numbering alone.
    for (const bool clone : {false, true}) {
        WhenEditorOpens([](TTaskEdForm& ed) { ed.CancelButton->click(); });
        clone ? Form().CloneTask() : Form().AddTask();
    }
    EXPECT_EQ(Form().AllTasks().Count(), 2);
    EXPECT_EQ(Form().AllTasks().LastTaskId, 2);

    // The program, started the way the scheduler starts it, runs the task made here.
    Form().SaveAll();
    fs::copy_file(KORVEL_BINARY, dir_ / "korvel");
    ASSERT_EQ(Shell("cd " + Dir() + " && QT_QPA_PLATFORM=offscreen timeout 120 ./korvel /t 1 2>/dev/null"),
              0);
    ASSERT_TRUE(fs::exists(dir_ / "out" / "backup.zip"));
    if (Shell("command -v unzip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(Shell("unzip -tq " + Dir() + "out/backup.zip >/dev/null"), 0);
    EXPECT_EQ(
        Shell("unzip -Z1 " + Dir() + "out/backup.zip | sort | tr '\\n' ' ' | grep -qx 'a.txt sub/b.txt '"),
        0);
}
