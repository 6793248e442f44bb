#include "engine/ui/progress_show_label_form.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "platform/qt/window_placement.h"

namespace korvel {

TProgressShowLabelForm::TProgressShowLabelForm(QWidget* parent) : TProgressShowForm(parent) {
    tasksList_ = new QListWidget(this);
    tasksList_->setFixedSize(449, 105);
    tasksList_->setSelectionMode(QAbstractItemView::NoSelection);
    tasksList_->setFocusPolicy(Qt::NoFocus);
    upperLayout_->insertWidget(0, tasksList_, 0, Qt::AlignHCenter);

    specLabel_ = new QLabel(this);
    specLabel_->setAlignment(Qt::AlignCenter);
    writePathLabel_ = new QLabel(this);
    writePathLabel_->setAlignment(Qt::AlignCenter);
    upperLayout_->addWidget(specLabel_);
    upperLayout_->addWidget(writePathLabel_);

    resize(473, 227);
    CenterOnScreen(this);
}

void TProgressShowLabelForm::StartTaskList(const QStringList& names) {
    StartProgress(static_cast<int>(names.size()));
    tasksList_->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, tasksList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void TProgressShowLabelForm::CheckTask(int index) {
    if (QListWidgetItem* item = tasksList_->item(index))
        item->setCheckState(Qt::Checked);
}

void TProgressShowLabelForm::OnClosing() {
    TProgressShowForm::OnClosing();
    specLabel_->clear();
}

} // namespace korvel
