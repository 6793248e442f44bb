#include "schedule/ui/tasks_history_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/window_placement.h"
#include "schedule/schedulesdecl_u.h"
#include "schedule/ui/job_description.h"

namespace korvel {

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* name) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setColumnCount(2);
    list->setRootIsDecorated(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    return list;
}

} // namespace

TTasksHistoryForm::TTasksHistoryForm(TTasksList& tasks, MessageBoxFn messageBox, QWidget* parent)
    : QDialog(parent), tasks_(tasks), messageBox_(std::move(messageBox)) {
    setObjectName(QStringLiteral("TasksHistoryForm"));
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* layout = new QVBoxLayout(this);
    executedLabel_ = new QLabel(this);
    ListView3 = MakeList(this, "ListView3");
    executedLabel_->setBuddy(ListView3);
    schedulesLabel_ = new QLabel(this);
    ListView2 = MakeList(this, "ListView2");
    schedulesLabel_->setBuddy(ListView2);
    layout->addWidget(executedLabel_);
    layout->addWidget(ListView3, 3);
    layout->addWidget(schedulesLabel_);
    layout->addWidget(ListView2, 2);

    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAccessibleName(QStringLiteral("Clear history"));
    Button3->hide();
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(Button3);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &TTasksHistoryForm::ClearSchedulesClick);
    connect(Button2, &QPushButton::clicked, this, &QWidget::close);
    connect(Button3, &QPushButton::clicked, this, &TTasksHistoryForm::ClearHistoryClick);

    // The window sees key strokes before its controls do.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    RetranslateUi();
    resize(560, 420);
    CenterOnScreen(this);
}

void TTasksHistoryForm::RetranslateUi() {
    setWindowTitle(tr("Tasks history"));
    executedLabel_->setText(tr("Executed tasks:"));
    schedulesLabel_->setText(tr("Activated schedules:"));
    ListView3->setHeaderLabels({tr("Task name"), tr("Run date / time")});
    ListView2->setHeaderLabels({tr("Task name"), tr("Run time")});
    Button1->setText(tr("Clear schedules"));
    Button2->setText(tr("Close"));
    ListView3->setAccessibleName(executedLabel_->text());
    ListView2->setAccessibleName(schedulesLabel_->text());
    Button1->setAccessibleName(Button1->text());
    Button2->setAccessibleName(Button2->text());
}

void TTasksHistoryForm::ShowHistory() {
    Fill();
    show();
    raise();
    activateWindow();
}

void TTasksHistoryForm::Fill() {
    FitColumns();
    ListView3->clear();
    for (int i = 0; i < tasks_.HistoryCount; ++i) {
        const THistoryEntry& e = tasks_.History[static_cast<std::size_t>(i)];
        new QTreeWidgetItem(ListView3, {QString::fromStdString(e.TaskName), HistoryRunTime(e.RunTime)});
    }
    FillSchedules();
}

void TTasksHistoryForm::FillSchedules() {
    ListView2->clear();
    for (const TScheduleEntry& entry : tasks_.Schedules.Items) {
        TAtInfo info;
        // Described from what the scheduler holds now; a job it no longer has is left out.
        if (ScheduleJobGetInfo(entry.JobId, info) != TJobStatus::Ok)
            continue;
        new QTreeWidgetItem(ListView2, {QString::fromStdString(entry.TaskName), JobRunTime(info)});
    }
}

void TTasksHistoryForm::FitColumns() {
    for (QTreeWidget* list : {ListView3, ListView2}) {
        // Below 20 pixels a column would vanish: keep it narrow but visible.
        const int w = std::max(20, list->width() / 2 - 12);
        list->setColumnWidth(0, w);
        list->setColumnWidth(1, w);
    }
}

void TTasksHistoryForm::ClearSchedulesClick() {
    const MsgResult answer =
        messageBox_ ? messageBox_("Clear all activated schedules?", "Korvel", MsgButtons::OkCancel)
                    : MsgResult::Cancel;
    if (answer != MsgResult::Ok)
        return;
    DeleteJobs(tasks_.Schedules);
    tasks_.Schedules.ClearSchedules();
    tasks_.HistoryModified = true;
    FillSchedules();
}

void TTasksHistoryForm::ClearHistoryClick() {
    tasks_.HistoryCount = 0;
    tasks_.HistoryModified = true;
    tasks_.SaveHistory();
    Fill();
}

void TTasksHistoryForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QDialog::changeEvent(event);
}

void TTasksHistoryForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitColumns();
}

bool TTasksHistoryForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
        if (key->key() == Qt::Key_V && (key->modifiers() & both) == both) {
            Button3->setVisible(!Button3->isVisible());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace korvel
