#include "engine/ui/please_wait_form.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/qt/window_placement.h"

namespace korvel {

TPleaseWaitForm::TPleaseWaitForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Korvel"));
    auto* layout = new QVBoxLayout(this);
    label1_ = new QLabel(this);
    label1_->setAlignment(Qt::AlignCenter);
    layout->addWidget(label1_);
    RetranslateUi();
    resize(161, 34);
    CenterOnScreen(this);
}

QString TPleaseWaitForm::Text() const {
    return label1_->text();
}

void TPleaseWaitForm::RetranslateUi() {
    label1_->setText(tr("Please wait..."));
}

void TPleaseWaitForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QDialog::changeEvent(event);
}

} // namespace korvel
