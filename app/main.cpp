// Start-up: the language first, then the main window with the task list and its
// stores, then a "/t" or "/catchup" run or the message loop.

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/choose_tasks_form.h"
#include "app/command_line.h"
#include "app/create_icon.h"
#include "app/desktop_notification.h"
#include "app/headless.h"
#include "app/main_form.h"
#include "app/program_icon.h"
#include "editor/task_ed_form.h"
#include "engine/data_module.h"
#include "help/about_form.h"
#include "help/html_help.h"
#include "platform/executable.h"
#include "platform/program_dirs.h"
#include "platform/qt/message_box.h"
#include "schedule/ui/activate_schedule.h"
#include "schedule/ui/tasks_history_form.h"
#include "tasks/options.h"

int main(int argc, char* argv[]) {
    using namespace korvel;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool headless = ChooseHeadlessStart(args);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setWindowIcon(ProgramIcon());
    // Window systems match the window to the menu entry by this name (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("korvel"));

    const std::string storeDir = StoreDir();
    Options() = LoadOptions(storeDir);

    if (headless)
        InstallHeadlessAnswers();
    TMainForm mainForm(storeDir);
    TTaskEdForm taskEdForm(&mainForm);
    mainForm.Services().EditTask = [&taskEdForm](TTask& task, bool isNew) {
        return taskEdForm.EditTask(task, isNew);
    };
    taskEdForm.Services().ShowHelp = ShowEditorHelp;
    TDataModule1 dataModule1;
    dataModule1.MessageBox = CoreMessageBox(&mainForm);
    dataModule1.ZipWriter1.PumpMessages = [] {
        QApplication::processEvents();
        return false;
    };
    mainForm.Services().ArchiveStep = [&dataModule1](TTask& task, const std::vector<std::string>& files,
                                                     int rootLength, bool& abort, const ProgressFn& progress,
                                                     const std::string& target, TRunReport& report) {
        return dataModule1.ZipBackup(task, files, rootLength, abort, progress, target, report);
    };
    mainForm.Services().ShowHelp = ShowHelpContents;
    mainForm.Services().CloseHelp = CloseAllHelp;
    TAboutForm aboutForm(&mainForm);
    mainForm.Services().ShowAbout = [&aboutForm] {
        aboutForm.show();
        aboutForm.raise();
        aboutForm.activateWindow();
    };
    TChooseTasksForm chooseTasksForm(&mainForm);
    mainForm.Services().CreateDesktopIcon = [&mainForm, &chooseTasksForm] {
        CreateIconAction(&mainForm, mainForm.AllTasks(), mainForm.SelectedTaskIndex(), chooseTasksForm,
                         ExecutablePath());
    };
    TTasksHistoryForm historyForm(mainForm.AllTasks(), CoreMessageBox(&mainForm), &mainForm);
    mainForm.Services().ShowHistory = [&historyForm] { historyForm.ShowHistory(); };
    mainForm.Services().ActivateSchedule = [&mainForm](int taskIndex) {
        ActivateSchedule(mainForm.AllTasks(), taskIndex, ExecutablePath(), CoreMessageBox(&mainForm));
    };
    mainForm.StartUp(args);

    const bool runStart = IsTaskRunStart(args) || IsCatchUpStart(args);
    int rc = 0;
    if (!(runStart && mainForm.WasClosed())) {
        mainForm.show();
        rc = QApplication::exec();
    }
    // Nobody watches a scheduled run: the failures it met are also sent to the desktop.
    const bool scheduled = headless || IsCatchUpStart(args);
    if (scheduled) {
        for (const TRunFailure& failure : mainForm.RunFailures())
            AlertFailedScheduledRun(QString::fromStdString(failure.TaskName),
                                    QString::fromStdString(failure.Error));
    }

    std::string error;
    if (!SaveOptions(Options(), storeDir, error))
        std::fprintf(stderr, "korvel: %s\n", error.c_str());
    // cron mails what a scheduled run printed; the status tells it that something failed.
    if (scheduled && (HeadlessNoticeCount() > 0 || !mainForm.RunFailures().empty()))
        return 1;
    return rc;
}
