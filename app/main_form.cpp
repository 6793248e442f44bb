#include "app/main_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/command_line.h"
#include "app/language.h"
#include "engine/ui/progress_show_label_form.h"
#include "help/maker.h"
#include "platform/qt/message_box.h"
#include "platform/qt/window_placement.h"
#include "schedule/ui/job_description.h"
#include "tasks/options.h"

namespace korvel {

namespace {

QToolButton* MakeActionButton(QWidget* parent, QAction* action, const char* objectName) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    return button;
}

// The side panel keeps the two move buttons vertically centred.
class MoveButtonsPanel : public QWidget {
public:
    MoveButtonsPanel(QWidget* parent, QPushButton*& up, QPushButton*& down) : QWidget(parent) {
        setFixedWidth(36);
        up_ = up = new QPushButton(this);
        down_ = down = new QPushButton(this);
        up->setObjectName(QStringLiteral("MoveTaskUpButton"));
        down->setObjectName(QStringLiteral("MoveTaskDownButton"));
        up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
        down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
        up->setFixedSize(27, 27);
        down->setFixedSize(27, 27);
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        const int top = height() / 2 - 27;
        up_->move(4, top);
        down_->move(4, top + 30);
    }

private:
    QPushButton* up_;
    QPushButton* down_;
};

} // namespace

TMainForm::TMainForm(const std::string& storeDir, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Korvel"));
    CreateActions();
    CreateLayout();
    RetranslateUi();
    resize(760, 480);
    CenterOnScreen(this);

    allTasks_ = std::make_unique<TTasksList>(storeDir);
    allTasks_->OnStoreError = [this](const std::string& m) { ReportStoreError(m); };
    allTasks_->LoadTasks();
    allTasks_->LoadHistory();

    progressForm_ = new TProgressShowLabelForm(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::ReportStoreError(const std::string& message) {
    ShowMessageBox(this, QString::fromStdString(message));
}

void TMainForm::CreateActions() {
    struct Spec {
        QAction** action;
        const char* name;
        const char* hint;
        void (TMainForm::*slot)();
    };
    const Spec specs[] = {
        {&AddAction, "AddAction", "Add a new task to the tasks list", &TMainForm::AddTask},
        {&RunAction, "RunAction", "Execute selected task", &TMainForm::RunSelectedTask},
        {&EditAction, "EditAction", "Edit the properties of selected task", &TMainForm::EditTask},
        {&DelAction, "DelAction", "Delete selected task", &TMainForm::DeleteTask},
        {&CloneAction, "CloneAction", "Duplicate selected task", &TMainForm::CloneTask},
        {&ActSchedAction, "ActSchedAction", "Activate the schedule of selected task", nullptr},
        {&CreateIconAction, "CreateIconAction", "Create a desktop shortcut for quick execution of tasks",
         nullptr},
        {&SaveAction, "SaveAction", "Save all changes in the tasks list", &TMainForm::SaveAll},
        {&ShowHistoryAction, "ShowHistoryAction",
         "Show the history of previously executed tasks and activated schedules", nullptr},
    };
    for (const Spec& s : specs) {
        *s.action = new QAction(this);
        (*s.action)->setObjectName(QString::fromLatin1(s.name));
        // The hints are English in both languages.
        (*s.action)->setToolTip(QString::fromLatin1(s.hint));
        if (s.slot)
            connect(*s.action, &QAction::triggered, this, s.slot);
    }
    connect(ActSchedAction, &QAction::triggered, this, [this] {
        if (!running_ && SelectedTaskIndex() >= 0)
            services_.ActivateSchedule(SelectedTaskIndex());
    });
    // The task chooser is modal: opened from the run's event pumping it would hold the run.
    connect(CreateIconAction, &QAction::triggered, this, [this] {
        if (!running_)
            services_.CreateDesktopIcon();
    });
    connect(ShowHistoryAction, &QAction::triggered, this, [this] { services_.ShowHistory(); });

    AddAction->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    RunAction->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    EditAction->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    DelAction->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    CloneAction->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    ActSchedAction->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    CreateIconAction->setIcon(style()->standardIcon(QStyle::SP_DesktopIcon));
    SaveAction->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    ShowHistoryAction->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));

    Clear1 = new QAction(this);
    Exit1 = new QAction(this);
    Helpcontents1 = new QAction(this);
    Aboutprogram1 = new QAction(this);
    connect(Clear1, &QAction::triggered, this, &TMainForm::ClearTasks);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connect(Helpcontents1, &QAction::triggered, this, [this] { services_.ShowHelp(true); });
    connect(Aboutprogram1, &QAction::triggered, this, [this] { services_.ShowAbout(); });
}

void TMainForm::CreateLayout() {
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    auto* main = new QVBoxLayout;
    outer->addLayout(main, 1);

    // Drop-down menus on three captioned buttons, then a button per action. The tool
    // bar folds the buttons that do not fit behind its extension arrow.
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, bar);
    fileMenu_ = new QMenu(this);
    fileMenu_->addActions({Clear1, SaveAction, CreateIconAction, ShowHistoryAction, Exit1});
    taskMenu_ = new QMenu(this);
    taskMenu_->addActions({AddAction, RunAction, EditAction, DelAction, CloneAction, ActSchedAction});
    helpMenu_ = new QMenu(this);
    helpMenu_->addActions({Helpcontents1, Aboutprogram1});
    auto menuButton = [&](QToolButton*& b, QMenu* menu, const char* name) {
        b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setMenu(menu);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setAutoRaise(true);
        bar->addWidget(b);
    };
    menuButton(FileToolButton, fileMenu_, "FileToolButton");
    menuButton(EditToolButton, taskMenu_, "EditToolButton");
    menuButton(HelpToolButton, helpMenu_, "HelpToolButton");
    bar->addSeparator();
    bar->addWidget(MakeActionButton(bar, AddAction, "AddButton"));
    bar->addWidget(MakeActionButton(bar, RunAction, "RunTaskButton"));
    bar->addWidget(MakeActionButton(bar, EditAction, "EditTaskButton"));
    bar->addWidget(MakeActionButton(bar, DelAction, "DelTaskButton"));
    bar->addWidget(MakeActionButton(bar, CloneAction, "AddSubTaskButton"));
    bar->addWidget(MakeActionButton(bar, ActSchedAction, "ApplyScheduleButton"));
    bar->addWidget(MakeActionButton(bar, CreateIconAction, "CreateIconButton"));
    bar->addWidget(MakeActionButton(bar, SaveAction, "SaveAllButton"));
    bar->addWidget(MakeActionButton(bar, ShowHistoryAction, "ShowHistoryButton"));
    ExitButton = new QToolButton(bar);
    ExitButton->setObjectName(QStringLiteral("ExitButton"));
    ExitButton->setToolTip(QStringLiteral("Close the program"));
    ExitButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ExitButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ExitButton->setAutoRaise(true);
    connect(ExitButton, &QToolButton::clicked, this, &QWidget::close);
    bar->addWidget(ExitButton);

    auto* lookRow = new QHBoxLayout;
    lookLabel_ = new QLabel(central);
    linkLabel_ = new QLabel(central);
    linkLabel_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(kWebSite)));
    linkLabel_->setOpenExternalLinks(true);
    lookRow->addWidget(lookLabel_);
    lookRow->addWidget(linkLabel_);
    lookRow->addStretch();
    main->addLayout(lookRow);

    auto* listRow = new QHBoxLayout;
    availTasksLabel_ = new QLabel(central);
    languageLabel_ = new QLabel(QStringLiteral("Language:"), central);
    languageCombo_ = new QComboBox(central);
    languageCombo_->setObjectName(QStringLiteral("LanguageCombo"));
    languageCombo_->addItems({QStringLiteral("English"), QStringLiteral("Russian")});
    connect(languageCombo_, &QComboBox::activated, this, &TMainForm::SetLanguageIndex);
    listRow->addWidget(availTasksLabel_);
    listRow->addStretch();
    listRow->addWidget(languageLabel_);
    listRow->addWidget(languageCombo_);
    main->addLayout(listRow);

    auto* treeRow = new QHBoxLayout;
    tasksTree_ = new QTreeWidget(central);
    tasksTree_->setObjectName(QStringLiteral("TasksTree"));
    tasksTree_->setHeaderHidden(true);
    tasksTree_->setRootIsDecorated(false);
    tasksTree_->setItemsExpandable(false);
    tasksTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(tasksTree_, &QTreeWidget::itemSelectionChanged, this, &TMainForm::UpdateActions);
    connect(tasksTree_, &QTreeWidget::itemDoubleClicked, this, [this] { EditTask(); });
    treeRow->addWidget(tasksTree_, 1);
    sidePanel_ = new MoveButtonsPanel(central, MoveTaskUpButton, MoveTaskDownButton);
    connect(MoveTaskUpButton, &QPushButton::clicked, this, &TMainForm::MoveTaskUp);
    connect(MoveTaskDownButton, &QPushButton::clicked, this, &TMainForm::MoveTaskDown);
    treeRow->addWidget(sidePanel_);
    main->addLayout(treeRow, 1);

    // Maintenance panel, shown with Ctrl+Shift+V.
    maintenancePanel_ = new QWidget(central);
    auto* maint = new QVBoxLayout(maintenancePanel_);
    auto* saveHistory = new QPushButton(QStringLiteral("SaveHistory"), maintenancePanel_);
    connect(saveHistory, &QPushButton::clicked, this, [this] { allTasks_->SaveHistory(); });
    maint->addWidget(saveHistory);
    maint->addStretch();
    maintenancePanel_->hide();
    outer->addWidget(maintenancePanel_);

    setCentralWidget(central);
}

void TMainForm::RetranslateUi() {
    lookLabel_->setText(tr("Please look at the program developer's website:"));
    availTasksLabel_->setText(tr("Available tasks:"));
    AddAction->setText(tr("Add"));
    EditAction->setText(tr("Edit"));
    DelAction->setText(tr("Delete"));
    CloneAction->setText(tr("Clone"));
    RunAction->setText(tr("Run"));
    ActSchedAction->setText(tr("Activate schedule"));
    CreateIconAction->setText(tr("Create desktop icon"));
    SaveAction->setText(tr("Save all"));
    ShowHistoryAction->setText(tr("Show history"));
    ExitButton->setText(tr("Exit"));
    Clear1->setText(tr("Clear"));
    Exit1->setText(tr("Exit"));
    Helpcontents1->setText(tr("Help contents"));
    Aboutprogram1->setText(tr("About program"));
    FileToolButton->setText(tr("File"));
    EditToolButton->setText(tr("Task"));
    HelpToolButton->setText(tr("Help"));
    UpdateStaleMarks();
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QMainWindow::changeEvent(event);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        services_.ShowHelp(false);
        return;
    }
    if (event->key() == Qt::Key_V && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        maintenancePanel_->setVisible(!maintenancePanel_->isVisible());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---- the task tree ----

void TMainForm::BuildTaskTree() {
    TTasksList& tasks = *allTasks_;
    for (auto& t : tasks.Items)
        t->Processed = 0;
    int selected = SelectedTaskIndex();
    if (selected == -1)
        selected = 0;
    tasksTree_->clear();
    for (int i = 0; i < tasks.Count(); ++i)
        if (tasks.Item(i).Processed == 0)
            AddSubtree(i, nullptr, selected);
    UpdateStaleMarks();
}

namespace {

QString LocalTimeText(std::time_t t) {
    return HistoryRunTime(FromSystemClock(std::chrono::system_clock::from_time_t(t))).simplified();
}

} // namespace

void TMainForm::UpdateStaleMarks() {
    if (!allTasks_)
        return;
    for (QTreeWidgetItemIterator it(tasksTree_); *it; ++it) {
        const int index = (*it)->data(0, Qt::UserRole).toInt();
        if (index < 0 || index >= allTasks_->Count())
            continue;
        const auto stale = staleSince_.find(allTasks_->Item(index).TaskId);
        if (stale == staleSince_.end()) {
            (*it)->setIcon(0, QIcon());
            (*it)->setToolTip(0, QString());
            continue;
        }
        (*it)->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
        (*it)->setToolTip(
            0, tr("This scheduled task has had no recorded run since %1.").arg(LocalTimeText(stale->second)));
    }
}

void TMainForm::AddSubtree(int index, QTreeWidgetItem* parent, int selected) {
    TTasksList& tasks = *allTasks_;
    TTask& task = tasks.Item(index);
    if (task.Processed == 1)
        return;
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tasksTree_);
    node->setText(0, QString::fromStdString(task.TaskName));
    node->setData(0, Qt::UserRole, index);
    task.Processed = 1;
    if (index == selected)
        tasksTree_->setCurrentItem(node);
    for (int j = 0; j < tasks.Count(); ++j)
        if (tasks.Item(j).Parent == &task)
            AddSubtree(j, node, selected);
    node->setExpanded(true);
}

int TMainForm::SelectedTaskIndex() const {
    const auto items = tasksTree_->selectedItems();
    return items.isEmpty() ? -1 : items.first()->data(0, Qt::UserRole).toInt();
}

void TMainForm::SelectTreePosition(int position) {
    QTreeWidgetItemIterator it(tasksTree_);
    for (int i = 0; *it; ++it, ++i) {
        if (i == position) {
            tasksTree_->setCurrentItem(*it);
            return;
        }
    }
}

void TMainForm::UpdateActions() {
    // A run keeps references into the list and pumps events all along, so nothing that
    // changes, moves, saves or runs tasks may start from the windows until it ends.
    const bool idle = !running_;
    const bool selected = idle && SelectedTaskIndex() >= 0;
    for (QAction* a : {RunAction, EditAction, DelAction, CloneAction, ActSchedAction})
        a->setEnabled(selected);
    MoveTaskUpButton->setEnabled(selected);
    MoveTaskDownButton->setEnabled(selected);
    CreateIconAction->setEnabled(idle && allTasks_->Count() > 0);
    for (QAction* a : {AddAction, SaveAction, Clear1})
        a->setEnabled(idle);
    languageCombo_->setEnabled(idle);
}

QString TMainForm::ProposeTaskName() const {
    long long largest = 0;
    for (const auto& t : allTasks_->Items) {
        const QString name = QString::fromStdString(t->TaskName);
        if (name.left(5).toLower() != QLatin1String("task "))
            continue;
        bool ok = false;
        const int n = name.mid(5).toInt(&ok);
        if (ok && n > largest)
            largest = n;
    }
    return QStringLiteral("Task %1").arg(largest + 1);
}

// ---- operations ----

void TMainForm::AddNewTask(std::unique_ptr<TTask> task) {
    // New and cloned tasks join the list only when the user applies the editor.
    if (!services_.EditTask(*task, true))
        return;
    allTasks_->Add(std::move(task));
    BuildTaskTree();
    SelectTreePosition(allTasks_->Count() - 1);
    UpdateActions();
}

void TMainForm::AddTask() {
    if (running_)
        return;
    auto task = std::make_unique<TTask>();
    task->TaskName = ProposeTaskName().toStdString();
    AddNewTask(std::move(task));
}

void TMainForm::CloneTask() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 0)
        return;
    auto task = std::make_unique<TTask>();
    task->Assign(allTasks_->Item(s));
    task->TaskName = "Copy of " + allTasks_->Item(s).TaskName;
    AddNewTask(std::move(task));
}

void TMainForm::EditTask() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 0)
        return;
    if (!services_.EditTask(allTasks_->Item(s), false))
        return;
    allTasks_->Modified = true;
    BuildTaskTree();
    UpdateActions();
}

void TMainForm::DeleteTask() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 0)
        return;
    const QString text =
        tr("Delete the task \"%1\"?").arg(QString::fromStdString(allTasks_->Item(s).TaskName));
    if (ShowMessageBox(this, text, MsgButtons::OkCancel) == MsgResult::Cancel)
        return;
    allTasks_->Delete(s);
    BuildTaskTree(); // the selection stays on the index, now the next task
    UpdateActions();
}

void TMainForm::ClearTasks() {
    if (running_)
        return;
    if (ShowMessageBox(this, tr("Clear all tasks?"), MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    allTasks_->Clear();
    BuildTaskTree();
    UpdateActions();
}

void TMainForm::MoveTaskUp() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 1)
        return;
    allTasks_->Exchange(s, s - 1);
    BuildTaskTree();
    SelectTreePosition(s - 1);
}

void TMainForm::MoveTaskDown() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 0 || s >= allTasks_->Count() - 1)
        return;
    allTasks_->Exchange(s, s + 1);
    BuildTaskTree();
    SelectTreePosition(s + 1);
}

void TMainForm::RunSelectedTask() {
    const int s = SelectedTaskIndex();
    if (running_ || s < 0)
        return;
    TIntArray one;
    one.Add(s);
    RunTasks(one);
}

void TMainForm::SaveAll() {
    if (running_)
        return;
    allTasks_->SaveTasks();
}

void TMainForm::SetLanguageIndex(int index) {
    if (running_) {
        languageCombo_->setCurrentIndex(Options().Language ? 1 : 0);
        return;
    }
    Options().Language = index == 1;
    Options().LanguageChosen = true;
    ApplyLanguage(Options().Language);
}

// ---- start-up and closing ----

void TMainForm::StartUp(const std::vector<std::string>& args) {
    BuildTaskTree();
    UpdateActions();
    languageCombo_->setCurrentIndex(Options().Language ? 1 : 0);
    ApplyLanguage(Options().Language);
    if (IsTaskRunStart(args)) {
        closeAfterRun_ = true; // RunTasks closes the window when it returns
        RunTasks(CollectTaskIndices(args, *allTasks_));
        return;
    }
    ReadSchedules();
    if (IsCatchUpStart(args)) {
        TSkippedRuns skipped(allTasks_->StoreDir());
        skipped.Load();
        TIntArray missed;
        for (const TMissedRun& m : FindMissedRuns(scheduled_, *allTasks_, skipped, std::time(nullptr)))
            missed.Add(m.TaskIndex);
        closeAfterRun_ = true;
        RunTasks(missed); // closes the window also when nothing was missed
        return;
    }
    UpdateStaleMarks();
    QTimer::singleShot(0, this, &TMainForm::AskMissedRuns);
}

void TMainForm::ReadSchedules() {
    scheduled_ = ReadScheduledTasks(*allTasks_);
    staleSince_.clear();
    const std::time_t now = std::time(nullptr);
    for (const TScheduledTask& s : scheduled_) {
        if (const auto since = StaleSince(s, now))
            staleSince_[allTasks_->Item(s.TaskIndex).TaskId] = *since;
    }
}

void TMainForm::AskMissedRuns() {
    if (running_)
        return;
    TSkippedRuns skipped(allTasks_->StoreDir());
    skipped.Load();
    TIntArray runNow;
    bool skippedAny = false;
    for (const TMissedRun& m : FindMissedRuns(scheduled_, *allTasks_, skipped, std::time(nullptr))) {
        const TTask& task = allTasks_->Item(m.TaskIndex);
        const QString text = tr("Task \"%1\" missed its scheduled run of %2. Run it now?")
                                 .arg(QString::fromStdString(task.TaskName), LocalTimeText(m.Time));
        if (ShowMessageBox(this, text, MsgButtons::YesNo) == MsgResult::Yes) {
            runNow.Add(m.TaskIndex);
        } else {
            skipped.Skip(task.TaskId, m.Time);
            skippedAny = true;
        }
    }
    if (skippedAny)
        skipped.Save();
    RunTasks(runNow);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run still uses the tasks and the archive writer: stop it as the progress
        // window's Stop does, and close once RunTasks has returned.
        event->ignore();
        closeAfterRun_ = true;
        if (!stopForClose_) {
            stopForClose_ = true;
            progressForm_->RequestStop();
            ShowMessageBox(this, tr("Closing the program stops the backup that is running. The program "
                                    "will close when the backup has stopped."));
        }
        return;
    }
    if (!Options().Language)
        services_.CloseHelp();
    if (allTasks_->HistoryModified)
        allTasks_->SaveHistory();
    if (allTasks_->Modified) {
        switch (ShowMessageBox(this, tr("The tasks list has been changed. Save the changes?"),
                               MsgButtons::YesNoCancel)) {
        case MsgResult::Yes:
            // A save that failed has shown its error; closing now would lose the changes.
            if (!allTasks_->SaveTasks()) {
                event->ignore();
                return;
            }
            break;
        case MsgResult::Cancel:
            event->ignore();
            return;
        default:
            break;
        }
    }
    closed_ = true;
    event->accept();
}

} // namespace korvel
