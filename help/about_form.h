#pragma once
// The about box: product, version, credit and the maker's addresses.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel {

class TAboutForm : public QWidget {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel *ProductLabel, *VersionLabel, *CreditLabel;
    QLineEdit *WebEdit, *EmailEdit;
    QPushButton* Button1;

protected:
    void changeEvent(QEvent* event) override;

private:
    void RetranslateUi();
};

} // namespace korvel
