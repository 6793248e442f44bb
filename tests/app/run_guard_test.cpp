// Operations of the main window tried while a real archive run is still writing: the
// run holds references into the task list and the one archive writer, so each of them
// must be refused, the run must end cleanly and the tasks stay as they were.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <unistd.h>

#include "app/language.h"
#include "engine/data_module.h"
#include "gui_fixture.h"
#include "tests/shell_commands.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

constexpr int kSourceFiles = 16;
constexpr std::size_t kFileSize = std::size_t{1} << 20; // incompressible, so every file takes its time

const char* const kClosingText = "Closing the program stops the backup that is running. The program will "
                                 "close when the backup has stopped.";

struct MidRunAction {
    const char* name;
    std::function<void(TMainForm&)> act; // the ways a user or a caller reaches the operation
    bool closes = false;
};

void PrintTo(const MidRunAction& action, std::ostream* os) {
    *os << action.name;
}

// The operations that change, move, save or run tasks, by the name of what starts them.
std::vector<std::string> EnabledOperations(TMainForm& f) {
    const std::pair<const char*, bool> states[] = {
        {"Add", f.AddAction->isEnabled()},
        {"Run", f.RunAction->isEnabled()},
        {"Edit", f.EditAction->isEnabled()},
        {"Delete", f.DelAction->isEnabled()},
        {"Clone", f.CloneAction->isEnabled()},
        {"Activate schedule", f.ActSchedAction->isEnabled()},
        {"Create desktop icon", f.CreateIconAction->isEnabled()},
        {"Save all", f.SaveAction->isEnabled()},
        {"Clear", f.Clear1->isEnabled()},
        {"Move up", f.MoveTaskUpButton->isEnabled()},
        {"Move down", f.MoveTaskDownButton->isEnabled()},
        {"Language", f.LanguageCombo()->isEnabled()},
    };
    std::vector<std::string> names;
    for (const auto& [name, enabled] : states)
        if (enabled)
            names.emplace_back(name);
    return names;
}

const std::vector<std::string> kAllOperations = {
    "Add",      "Run",   "Edit",    "Delete",    "Clone",   "Activate schedule", "Create desktop icon",
    "Save all", "Clear", "Move up", "Move down", "Language"};

} // namespace

class RunGuardTest : public MainFormTest, public ::testing::WithParamInterface<MidRunAction> {
protected:
    static fs::path Source() {
        return fs::temp_directory_path() / ("korvel-runguard-src-" + std::to_string(::getpid()));
    }
    static void SetUpTestSuite() {
        fs::create_directories(Source());
        std::mt19937 rng(17);
        std::vector<char> data(kFileSize);
        for (int i = 0; i < kSourceFiles; ++i) {
            for (char& c : data)
                c = static_cast<char>(rng());
            std::ofstream(Source() / ("f" + std::to_string(i) + ".bin"), std::ios::binary)
                .write(data.data(), static_cast<std::streamsize>(data.size()));
        }
    }
    static void TearDownTestSuite() { fs::remove_all(Source()); }
};

TEST_P(RunGuardTest, IsRefusedWhileTheArchiveIsBeingWritten) {
    const MidRunAction& row = GetParam();
    for (const char* name : {"before", "running", "after"}) {
        TTask& t = AddNamed(name);
        t.SourceDirs = {Source().string() + "/"};
        t.DestDir = (dir_ / "out").string() + "/";
        t.ZipFileName = std::string(name) + ".zip";
    }
    TMainForm& form = Form();
    TTasksList& tasks = form.AllTasks();
    tasks.Modified = false;
    const std::vector<const TTask*> taskObjects = {&tasks.Item(0), &tasks.Item(1), &tasks.Item(2)};
    const std::int32_t lastTaskId = tasks.LastTaskId;
    form.BuildTaskTree();
    form.SelectTreePosition(1);
    form.UpdateActions();

    int edits = 0;
    form.Services().EditTask = [&](TTask&, bool) {
        ++edits;
        return true;
    };
    // The archive step as the program wires it, with the writer pumping events after every block.
    TDataModule1 dataModule;
    dataModule.MessageBox = CoreMessageBox(&form);
    int archiveSteps = 0;
    form.Services().ArchiveStep = [&](TTask& task, const std::vector<std::string>& files, int rootLength,
                                      bool& abort, const ProgressFn& progress, const std::string& target,
                                      TRunReport& report) {
        ++archiveSteps;
        return dataModule.ZipBackup(task, files, rootLength, abort, progress, target, report);
    };
    bool acted = false;
    int blocksAfter = 0;
    std::vector<std::string> enabledDuringRun;
    dataModule.ZipWriter1.PumpMessages = [&] {
        if (acted) {
            ++blocksAfter;
        } else if (dataModule.FilesDone >= 1) {
            // Posted like a click, so the writer's own pump delivers it in the middle of a file.
            acted = true;
            enabledDuringRun = EnabledOperations(form);
            QMetaObject::invokeMethod(
                &form, [&] { row.act(form); }, Qt::QueuedConnection);
        }
        QApplication::processEvents();
        return false;
    };

    form.RunAction->trigger();

    ASSERT_TRUE(acted) << "the run ended before a file was done";
    EXPECT_GT(blocksAfter, 0) << "the writer was still writing after the action";
    EXPECT_EQ(enabledDuringRun, std::vector<std::string>{});
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(archiveSteps, 1) << "no second run on the same writer";
    EXPECT_EQ(edits, 0);

    ASSERT_EQ(tasks.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(&tasks.Item(i), taskObjects[i]) << i;
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"before", "running", "after"}));
    EXPECT_EQ(tasks.LastTaskId, lastTaskId);
    EXPECT_FALSE(tasks.Modified);
    EXPECT_FALSE(fs::exists(dir_ / "tasks.bin")) << "not saved during the run";
    EXPECT_FALSE(Options().Language);
    EXPECT_FALSE(Options().LanguageChosen);
    EXPECT_EQ(form.LanguageCombo()->currentIndex(), 0);

    const fs::path archive = dir_ / "out" / "running.zip";
    if (row.closes) {
        EXPECT_EQ(boxes, (std::vector<std::string>{kClosingText, "Backup operation aborted."}));
        EXPECT_EQ(tasks.HistoryCount, 0) << "a stopped task is not recorded";
        EXPECT_TRUE(form.WasClosed()) << "closed once the run had ended";
        EXPECT_TRUE(fs::is_empty(dir_ / "out")) << "the unfinished archive was removed";
    } else {
        EXPECT_TRUE(boxes.empty());
        ASSERT_EQ(tasks.HistoryCount, 1);
        EXPECT_EQ(tasks.History[0].TaskId, taskObjects[1]->TaskId);
        EXPECT_FALSE(form.WasClosed());
        EXPECT_EQ(form.SelectedTaskIndex(), 1);
        EXPECT_EQ(EnabledOperations(form), kAllOperations) << "enabled again after the run";
        ASSERT_TRUE(fs::exists(archive));
        if (Capture("command -v unzip").empty())
            GTEST_SKIP() << "unzip is not installed";
        EXPECT_EQ(Capture("unzip -tq '" + archive.string() + "' >/dev/null && echo ok"), "ok\n");
        EXPECT_EQ(Capture("unzip -Z1 '" + archive.string() + "' | wc -l"),
                  std::to_string(kSourceFiles) + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Actions, RunGuardTest,
                         ::testing::Values(MidRunAction{"Delete",
                                                        [](TMainForm& f) {
                                                            f.DelAction->trigger();
                                                            f.DeleteTask();
                                                        }},
                                           MidRunAction{"Clear",
                                                        [](TMainForm& f) {
                                                            f.Clear1->trigger();
                                                            f.ClearTasks();
                                                        }},
                                           MidRunAction{"RunAgain",
                                                        [](TMainForm& f) {
                                                            f.RunAction->trigger();
                                                            f.RunSelectedTask();
                                                            TIntArray first;
                                                            first.Add(0);
                                                            f.RunTasks(first);
                                                        }},
                                           MidRunAction{"MoveUp",
                                                        [](TMainForm& f) {
                                                            f.MoveTaskUpButton->click();
                                                            f.MoveTaskUp();
                                                        }},
                                           MidRunAction{"MoveDown",
                                                        [](TMainForm& f) {
                                                            f.MoveTaskDownButton->click();
                                                            f.MoveTaskDown();
                                                        }},
                                           MidRunAction{"Language",
                                                        [](TMainForm& f) {
                                                            QTest::keyClick(f.LanguageCombo(), Qt::Key_Down);
                                                            f.SetLanguageIndex(1);
                                                        }},
                                           MidRunAction{"Edit",
                                                        [](TMainForm& f) {
                                                            f.EditAction->trigger();
                                                            emit f.TasksTree()->itemDoubleClicked(
                                                                f.TasksTree()->currentItem(), 0);
                                                            f.EditTask();
                                                        }},
                                           MidRunAction{"AddAndClone",
                                                        [](TMainForm& f) {
                                                            f.AddAction->trigger();
                                                            f.CloneAction->trigger();
                                                            f.AddTask();
                                                            f.CloneTask();
                                                        }},
                                           MidRunAction{"Save",
                                                        [](TMainForm& f) {
                                                            f.SaveAction->trigger();
                                                            f.SaveAll();
                                                        }},
                                           MidRunAction{"Close", [](TMainForm& f) { f.close(); }, true}),
                         [](const ::testing::TestParamInfo<MidRunAction>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainFormTest, ClosingDuringARunSaysSoInRussianToo) {
    Options().Language = true;
    Form().StartUp({});
    const fs::path src = dir_ / "src";
    fs::create_directories(src);
    std::ofstream(src / "a.txt") << "data";
    TTask& t = AddNamed("nightly");
    t.SourceDirs = {src.string() + "/"};
    t.DestDir = (dir_ / "out").string() + "/";
    Form().AllTasks().Modified = false;
    Form().Services().ArchiveStep = [&](TTask&, const std::vector<std::string>&, int, bool& abort,
                                        const ProgressFn& progress, const std::string&, TRunReport&) {
        Form().close();
        EXPECT_FALSE(Form().WasClosed()) << "not while the run uses the tasks";
        QTest::qWait(120); // past the progress window's repaint interval, so that it reports the stop
        abort = progress(0.5);
        return !abort;
    };
    TIntArray first;
    first.Add(0);
    Form().RunTasks(first);
    ApplyLanguage(false);

    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Закрытие программы останавливает выполняемое резервное копирование. "
                                        "Программа закроется, когда копирование остановится.",
                                        "Операция резервного копирования прервана."}));
    EXPECT_TRUE(Form().WasClosed());
    EXPECT_EQ(Form().AllTasks().HistoryCount, 0);
}
