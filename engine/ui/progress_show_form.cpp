#include "engine/ui/progress_show_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/date_time.h"
#include "platform/qt/window_placement.h"

namespace korvel {

namespace {
constexpr std::uint32_t kRepaintInterval = 100; // ms between visible updates
}

TProgressShowForm::TProgressShowForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* panel2 = new QFrame(this);
    upperLayout_ = new QVBoxLayout(panel2);
    upperLayout_->setContentsMargins(12, 6, 12, 4);
    label1_ = new QLabel(panel2);
    QFont bold = label1_->font();
    bold.setBold(true);
    label1_->setFont(bold);
    label1_->setAlignment(Qt::AlignCenter);
    progressBar1_ = new QProgressBar(panel2);
    progressBar1_->setRange(0, 100);
    progressBar1_->setTextVisible(false);
    upperLayout_->addWidget(label1_);
    upperLayout_->addWidget(progressBar1_);
    outer->addWidget(panel2, 1);

    auto* panel1 = new QFrame(this);
    panel1->setFixedHeight(34);
    auto* bottom = new QHBoxLayout(panel1);
    bottom->setContentsMargins(4, 2, 4, 4);
    stopButton_ = new QPushButton(QStringLiteral("Stop"), panel1);
    stopButton_->setFlat(true);
    bottom->addStretch();
    bottom->addWidget(stopButton_);
    bottom->addStretch();
    outer->addWidget(panel1);
    connect(stopButton_, &QPushButton::clicked, this, &TProgressShowForm::RequestStop);

    resize(473, 70);
    CenterOnScreen(this);
}

QString TProgressShowForm::FormatPercent(double value) {
    QString text = QString::number(value, 'f', 1);
    text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
    return text + QLatin1Char('%');
}

void TProgressShowForm::StartProgress(int taskCount) {
    if (taskCount == 0)
        return;
    stopped_ = false;
    lastTick_ = TickCount();
    stepSize_ = 1.0 / taskCount;
    stepBase_ = 0;
    label1_->setText(FormatPercent(0));
    progressBar1_->setValue(0);
    show();
}

bool TProgressShowForm::ShowProgress(double fraction) {
    const std::uint32_t tick = TickCount();
    if (tick - lastTick_ < kRepaintInterval)
        return false;
    const double value = fraction * stepSize_ + stepBase_;
    label1_->setText(FormatPercent(value * 100));
    progressBar1_->setValue(static_cast<int>(std::nearbyint(progressBar1_->maximum() * value)));
    QApplication::processEvents();
    lastTick_ = tick;
    return stopped_;
}

void TProgressShowForm::SetCaptions(const QString& caption, const QString& buttonCaption) {
    savedCaption_ = windowTitle();
    savedButtonCaption_ = stopButton_->text();
    setWindowTitle(caption);
    stopButton_->setText(buttonCaption);
}

QString TProgressShowForm::PercentText() const {
    return label1_->text();
}
int TProgressShowForm::BarPosition() const {
    return progressBar1_->value();
}

void TProgressShowForm::OnClosing() {
    stopped_ = true;
    if (!savedCaption_.isEmpty()) {
        setWindowTitle(savedCaption_);
        stopButton_->setText(savedButtonCaption_);
        savedCaption_.clear();
        savedButtonCaption_.clear();
    }
}

void TProgressShowForm::closeEvent(QCloseEvent* event) {
    // Closing is never refused: it stops the run and hides the window.
    OnClosing();
    hide();
    event->accept();
}

void TProgressShowForm::reject() {
    // Escape closes the window like the close box, which stops the run.
    close();
}

} // namespace korvel
