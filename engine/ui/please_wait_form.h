#pragma once
// A small "Please wait..." window shown while the task editor lists the source files.

#include <QDialog>

class QLabel;

namespace korvel {

class TPleaseWaitForm : public QDialog {
    Q_OBJECT
public:
    explicit TPleaseWaitForm(QWidget* parent = nullptr);
    QString Text() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void RetranslateUi();
    QLabel* label1_;
};

} // namespace korvel
