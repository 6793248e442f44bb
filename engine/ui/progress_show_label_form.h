#pragma once
// The run's progress window: the tasks of the run, ticked when done, and two lines
// naming the current task and its destination.

#include <QStringList>

#include "engine/ui/progress_show_form.h"

class QLabel;
class QListWidget;

namespace korvel {

class TProgressShowLabelForm : public TProgressShowForm {
    Q_OBJECT
public:
    explicit TProgressShowLabelForm(QWidget* parent = nullptr);

    void StartTaskList(const QStringList& names);
    void CheckTask(int index);

    QLabel* SpecLabel() const { return specLabel_; }
    QLabel* WritePathLabel() const { return writePathLabel_; }
    QListWidget* TasksList() const { return tasksList_; }

protected:
    void OnClosing() override;

private:
    QListWidget* tasksList_;
    QLabel* specLabel_;
    QLabel* writePathLabel_;
};

} // namespace korvel
