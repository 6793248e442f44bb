#pragma once
// The task chooser: which tasks a desktop shortcut runs, and the shortcut's name.

#include <QDialog>
#include <QStringList>

#include "tasks/int_array.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvel {

class TChooseTasksForm : public QDialog {
    Q_OBJECT
public:
    explicit TChooseTasksForm(QWidget* parent = nullptr);

    // Shows the window modally with `names`, item `preselected` chosen (-1: none).
    // True when the user pressed "Ok"; then `indices` holds the chosen task indices in
    // list order and `linkName` the icon name as typed.
    bool ChooseTasks(const QStringList& names, int preselected, TIntArray& indices, QString& linkName);

    QListWidget* ListBox1;
    QListWidget* CheckListBox1;
    QCheckBox* MultSelectionCheck;
    QLabel* Label1;
    QLineEdit* TaskNameEdit;
    QPushButton *Button1, *Button2, *Button3;

protected:
    void changeEvent(QEvent* event) override;

private:
    void RetranslateUi();
    void ListBoxRowChosen(int row);
    void MultSelectionToggled(bool on);

    bool accepted_ = false;
};

} // namespace korvel
