#pragma once
// A progress window with a percentage, a bar and a stop button. Its ShowProgress is the
// progress callback of a run, and the place where a run keeps the windows alive.

#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace korvel {

class TProgressShowForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressShowForm(QWidget* parent = nullptr);

    void StartProgress(int taskCount);
    // Fraction of the current task done (0 to 1); returns true when the user asked to stop.
    bool ShowProgress(double fraction);
    void NextStep() { stepBase_ += stepSize_; }
    void SetCaptions(const QString& caption, const QString& buttonCaption);
    // What the stop button does: the next ShowProgress that reaches the window reports it.
    void RequestStop() { stopped_ = true; }

    bool Stopped() const { return stopped_; }
    QString PercentText() const;
    int BarPosition() const;
    QPushButton* StopButton() const { return stopButton_; }

    // The percentage text for a fraction of the whole run, with the system's decimal separator.
    static QString FormatPercent(double value);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    virtual void OnClosing();

    QVBoxLayout* upperLayout_ = nullptr; // holds the percentage and the bar; subclasses add above it

private:
    QLabel* label1_;
    QProgressBar* progressBar1_;
    QPushButton* stopButton_;
    std::uint32_t lastTick_ = 0;
    bool stopped_ = false;
    QString savedCaption_, savedButtonCaption_;
    double stepBase_ = 0, stepSize_ = 1;
};

} // namespace korvel
