#pragma once
// The file filter browser: builds an include or exclude filter by ticking the
// extensions or names of the files the source directories really hold.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "editor/file_filters.h"

class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace korvel {

class TFileFiltersForm : public QDialog {
    Q_OBJECT
public:
    explicit TFileFiltersForm(QWidget* parent = nullptr);

    // Runs the window modally over `files`, starting from `filter`. True when the user
    // pressed Ok: only then is `filter` replaced. A malformed mask in the filter is
    // reported and the window does not open.
    bool Execute(std::string& filter, const std::vector<std::string>& files);

    // Execute without its modal loop: fills the window; false (after the message) when
    // a mask of the filter is malformed.
    bool Open(const std::string& filter, const std::vector<std::string>& files);
    // The filter text the ticked lines give now.
    std::string ResultText() const;
    // Lets go of the files and lines once the window is done with them.
    void Release();

    EFilterView View() const { return lines_.View; }

    // How the lines are built; tests replace it.
    std::function<TFilterLines(EFilterView, const std::vector<std::string>&, const std::vector<std::string>&)>
        BuildLines = BuildFilterLines;

    QGroupBox* ModeGroup;
    QRadioButton *ShowExtRadio, *ShowNamesRadio;
    QListWidget* GroupsCheckList;
    QPushButton *Button1, *Button2;

protected:
    void changeEvent(QEvent* event) override;

private:
    void RetranslateUi(); // the caption routine: every fixed text of the window
    bool ShowView(EFilterView view);
    void ViewRadioClick(EFilterView view);
    void SelectRadio(EFilterView view);

    const std::vector<std::string>* files_ = nullptr;
    std::vector<std::string> masks_;
    TFilterLines lines_;
};

} // namespace korvel
