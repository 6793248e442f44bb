#include "app/choose_tasks_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/create_icon.h"

namespace korvel {

TChooseTasksForm::TChooseTasksForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChooseTasksForm"));
    auto* layout = new QVBoxLayout(this);

    MultSelectionCheck = new QCheckBox(this);
    MultSelectionCheck->setObjectName(QStringLiteral("MultSelectionCheck"));
    layout->addWidget(MultSelectionCheck);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->hide();
    layout->addWidget(ListBox1);
    layout->addWidget(CheckListBox1);

    Label1 = new QLabel(this);
    TaskNameEdit = new QLineEdit(this);
    TaskNameEdit->setObjectName(QStringLiteral("TaskNameEdit"));
    Label1->setBuddy(TaskNameEdit);
    layout->addWidget(Label1);
    layout->addWidget(TaskNameEdit);

    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->hide(); // there is no help topic for this window
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);

    connect(ListBox1, &QListWidget::currentRowChanged, this, &TChooseTasksForm::ListBoxRowChosen);
    connect(MultSelectionCheck, &QCheckBox::toggled, this, &TChooseTasksForm::MultSelectionToggled);
    connect(Button1, &QPushButton::clicked, this, [this] {
        accepted_ = true;
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    RetranslateUi();
    setFixedSize(340, 400);
}

void TChooseTasksForm::RetranslateUi() {
    setWindowTitle(tr("Choose required tasks"));
    MultSelectionCheck->setText(tr("Select multiple tasks"));
    Label1->setText(tr("Icon name:"));
    Button3->setText(tr("Help"));
    Button1->setText(tr("Ok"));
    Button2->setText(tr("Cancel"));
    for (QWidget* w : std::initializer_list<QWidget*>{MultSelectionCheck, Button1, Button2, Button3})
        w->setAccessibleName(w->property("text").toString());
    TaskNameEdit->setAccessibleName(Label1->text());
}

void TChooseTasksForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QDialog::changeEvent(event);
}

void TChooseTasksForm::ListBoxRowChosen(int row) {
    if (row < 0)
        return;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(i == row ? Qt::Checked : Qt::Unchecked);
    TaskNameEdit->setText(QString::fromStdString(CleanLinkName(ListBox1->item(row)->text().toStdString())));
}

void TChooseTasksForm::MultSelectionToggled(bool on) {
    CheckListBox1->setVisible(on);
    ListBox1->setVisible(!on);
    if (on)
        CheckListBox1->setCurrentRow(ListBox1->currentRow()); // the ticks stay as they are
}

bool TChooseTasksForm::ChooseTasks(const QStringList& names, int preselected, TIntArray& indices,
                                   QString& linkName) {
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->clear();
        CheckListBox1->clear();
        ListBox1->addItems(names);
        for (int i = 0; i < names.size(); ++i) {
            auto* item = new QListWidgetItem(names[i], CheckListBox1);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(i == preselected ? Qt::Checked : Qt::Unchecked);
        }
        ListBox1->setCurrentRow(preselected);
        CheckListBox1->setCurrentRow(preselected);
    }
    TaskNameEdit->setText(preselected >= 0 && preselected < names.size() ? names[preselected] : QString());
    accepted_ = false;
    exec();
    if (!accepted_)
        return false;
    linkName = TaskNameEdit->text();
    indices = TIntArray();
    if (MultSelectionCheck->isChecked()) {
        for (int i = 0; i < CheckListBox1->count(); ++i)
            if (CheckListBox1->item(i)->checkState() == Qt::Checked)
                indices.Add(i);
    } else if (ListBox1->currentRow() >= 0) {
        indices.Add(ListBox1->currentRow());
    }
    return true;
}

} // namespace korvel
