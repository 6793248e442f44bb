#pragma once
// The main window: the task tree, the task operations and the run loop.

#include <QMainWindow>
#include <QStringList>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/run_task.h"
#include "schedule/missed_runs.h"
#include "tasks/int_array.h"
#include "tasks/tasks_list.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace korvel {

class TProgressShowLabelForm;

// A task of a run that did not go through: its name and the first error it met.
struct TRunFailure {
    std::string TaskName;
    std::string Error;
};

// What the main window reaches in other windows. Each has a harmless default until
// the window behind it exists; tests replace them.
struct TMainFormServices {
    // Opens the task editor on `task`; true when the user applied the changes.
    std::function<bool(TTask& task, bool isNew)> EditTask = [](TTask&, bool) { return true; };
    std::function<void()> ShowHistory = [] {};
    std::function<void(int taskIndex)> ActivateSchedule = [](int) {};
    std::function<void()> CreateDesktopIcon = [] {};
    // `contents`: the "Help contents" item; otherwise F1.
    std::function<void(bool contents)> ShowHelp = [](bool) {};
    std::function<void()> CloseHelp = [] {};
    std::function<void()> ShowAbout = [] {};
    // Writes the archive of an archive task (the data module's archive step).
    ArchiveStepFn ArchiveStep;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const std::string& storeDir, QWidget* parent = nullptr);
    ~TMainForm() override;

    TTasksList& AllTasks() { return *allTasks_; }
    TMainFormServices& Services() { return services_; }

    void BuildTaskTree();
    void UpdateActions();
    int SelectedTaskIndex() const;
    void SelectTreePosition(int position); // in the tree's top-to-bottom order
    QString ProposeTaskName() const;

    // Runs the tasks at the given indices one after the other with the progress window.
    // Refused while a run is going on.
    void RunTasks(const TIntArray& indices);
    // True from the start of RunTasks until it returns, including the event pumping
    // that keeps the windows alive during the run.
    bool Running() const { return running_; }

    // Start-up: builds the tree, shows the stored language, and runs a "/t" or
    // "/catchup" request. Any other start marks the scheduled tasks that have not run
    // for long and, once the window is shown, asks about the runs missed meanwhile.
    void StartUp(const std::vector<std::string>& args);

    // Asks for each task whose newest scheduled run was missed whether to run it now;
    // the tasks of every "Yes" run, a "No" is remembered until a newer time is missed.
    void AskMissedRuns();

    // The tasks of the runs since the program started that failed, were refused or
    // left files out, each with its first error.
    const std::vector<TRunFailure>& RunFailures() const { return runFailures_; }

    // The task operations, as the actions and buttons trigger them.
    void AddTask();
    void CloneTask();
    void EditTask();
    void DeleteTask();
    void ClearTasks();
    void MoveTaskUp();
    void MoveTaskDown();
    void RunSelectedTask();
    void SaveAll();
    void SetLanguageIndex(int index); // as a selection in the language box
    bool WasClosed() const { return closed_; }

    QTreeWidget* TasksTree() const { return tasksTree_; }
    TProgressShowLabelForm* ProgressForm() const { return progressForm_; }
    QWidget* MaintenancePanel() const { return maintenancePanel_; }
    QComboBox* LanguageCombo() const { return languageCombo_; }

    // Actions, in the order of the action table.
    QAction *AddAction, *RunAction, *EditAction, *DelAction, *CloneAction, *ActSchedAction, *CreateIconAction,
        *SaveAction, *ShowHistoryAction;
    QAction *Clear1, *Exit1, *Helpcontents1, *Aboutprogram1;
    QPushButton *MoveTaskUpButton, *MoveTaskDownButton;
    QToolButton *FileToolButton, *EditToolButton, *HelpToolButton, *ExitButton;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateActions();
    void CreateLayout();
    void RetranslateUi();
    void AddSubtree(int index, QTreeWidgetItem* parent, int selected);
    void AddNewTask(std::unique_ptr<TTask> task);
    void ReportStoreError(const std::string& message);
    void RunTaskLoop(const TIntArray& indices);
    void ReadSchedules();
    void UpdateStaleMarks();

    std::unique_ptr<TTasksList> allTasks_;
    TMainFormServices services_;
    QTreeWidget* tasksTree_ = nullptr;
    QComboBox* languageCombo_ = nullptr;
    QLabel *lookLabel_ = nullptr, *availTasksLabel_ = nullptr, *languageLabel_ = nullptr,
           *linkLabel_ = nullptr;
    QWidget* maintenancePanel_ = nullptr;
    QWidget* sidePanel_ = nullptr;
    QMenu *fileMenu_ = nullptr, *taskMenu_ = nullptr, *helpMenu_ = nullptr;
    TProgressShowLabelForm* progressForm_ = nullptr;
    bool closed_ = false;
    bool running_ = false;
    bool closeAfterRun_ = false; // a close came during the run, or a "/t" start
    bool stopForClose_ = false;  // this run was stopped because the window is closing
    std::vector<TRunFailure> runFailures_;
    std::vector<TScheduledTask> scheduled_;          // the activated jobs, read at start-up
    std::map<std::int32_t, std::time_t> staleSince_; // by task id: no run recorded since then
};

} // namespace korvel
