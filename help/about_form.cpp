#include "help/about_form.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/maker.h"
#include "platform/qt/window_placement.h"

namespace korvel {

namespace {

QLineEdit* ReadOnlyLine(QWidget* parent, const char* objectName, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setReadOnly(true);
    edit->setAccessibleName(text);
    return edit;
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("AboutForm"));
    auto* layout = new QVBoxLayout(this);

    ProductLabel = new QLabel(QStringLiteral("Korvel"), this);
    ProductLabel->setObjectName(QStringLiteral("ProductLabel"));
    QFont font = ProductLabel->font();
    font.setBold(true);
    font.setItalic(true);
    font.setPointSizeF(font.pointSizeF() * 2);
    ProductLabel->setFont(font);
    ProductLabel->setStyleSheet(QStringLiteral("color: navy"));
    ProductLabel->setAlignment(Qt::AlignCenter);
    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    VersionLabel->setAlignment(Qt::AlignCenter);
    CreditLabel = new QLabel(this);
    CreditLabel->setObjectName(QStringLiteral("CreditLabel"));
    CreditLabel->setAlignment(Qt::AlignCenter);
    WebEdit = ReadOnlyLine(this, "WebEdit", QStringLiteral("HTML: ") + QLatin1String(kWebSite));
    EmailEdit = ReadOnlyLine(this, "EmailEdit", QStringLiteral("Email: ") + QLatin1String(kSupportEmail));
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);

    layout->addWidget(ProductLabel);
    layout->addWidget(VersionLabel);
    layout->addWidget(CreditLabel);
    layout->addSpacing(8);
    layout->addWidget(WebEdit);
    layout->addWidget(EmailEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addStretch();
    layout->addLayout(buttons);

    RetranslateUi();
    setFixedSize(360, 230);
    CenterOnScreen(this);
}

void TAboutForm::RetranslateUi() {
    setWindowTitle(tr("About program"));
    VersionLabel->setText(tr("Version 1.2 build 164"));
    CreditLabel->setText(tr("Programming: the Korvel developers"));
    Button1->setText(tr("Close"));
    Button1->setAccessibleName(Button1->text());
}

void TAboutForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QWidget::changeEvent(event);
}

} // namespace korvel
