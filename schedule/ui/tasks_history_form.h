#pragma once
// The history window: the recorded runs and the activated scheduler jobs, with
// "Clear schedules" to delete the jobs again.

#include <QDialog>

#include "platform/ui_hooks.h"
#include "tasks/tasks_list.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace korvel {

class TTasksHistoryForm : public QDialog {
    Q_OBJECT
public:
    // `messageBox` asks the Clear schedules question.
    TTasksHistoryForm(TTasksList& tasks, MessageBoxFn messageBox, QWidget* parent = nullptr);

    // Fills both lists from the task list and shows the window (not modal).
    void ShowHistory();

    QTreeWidget* ListView3 = nullptr; // executed tasks
    QTreeWidget* ListView2 = nullptr; // activated schedules
    QPushButton* Button1 = nullptr;   // Clear schedules
    QPushButton* Button2 = nullptr;   // Close
    QPushButton* Button3 = nullptr;   // clears the run history; shown with Ctrl+Shift+V

    void ClearSchedulesClick();
    void ClearHistoryClick();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void FillSchedules();
    void FitColumns();
    void RetranslateUi();

    TTasksList& tasks_;
    MessageBoxFn messageBox_;
    QLabel* executedLabel_ = nullptr;
    QLabel* schedulesLabel_ = nullptr;
};

} // namespace korvel
