#include "editor/file_filters_form.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "engine/mask.h"
#include "platform/qt/message_box.h"
#include "platform/qt/window_placement.h"

namespace korvel {

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TFileFiltersForm::TFileFiltersForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("FileFiltersForm"));
    setModal(true);

    ModeGroup = Named(new QGroupBox(this), "ModeGroup");
    ShowExtRadio = Named(new QRadioButton(ModeGroup), "ShowExtRadio");
    ShowNamesRadio = Named(new QRadioButton(ModeGroup), "ShowNamesRadio");
    auto* modeLayout = new QVBoxLayout(ModeGroup);
    modeLayout->addWidget(ShowExtRadio);
    modeLayout->addWidget(ShowNamesRadio);

    GroupsCheckList = Named(new QListWidget(this), "GroupsCheckList");
    // The system's fixed-pitch font, so that the padded counts line up on every desktop.
    GroupsCheckList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    GroupsCheckList->setUniformItemSizes(true);

    Button1 = Named(new QPushButton(this), "Button1");
    Button2 = Named(new QPushButton(this), "Button2");
    Button1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ModeGroup);
    layout->addWidget(GroupsCheckList, 1);
    layout->addLayout(buttons);

    connect(ShowExtRadio, &QRadioButton::clicked, this, [this] { ViewRadioClick(EFilterView::Extensions); });
    connect(ShowNamesRadio, &QRadioButton::clicked, this, [this] { ViewRadioClick(EFilterView::Names); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    RetranslateUi();
    // A dialog border: the window keeps its size, large enough for the texts of both languages.
    setFixedSize(sizeHint().expandedTo(QSize(420, 400)));
    PlaceOnScreen(this, -0.7, 0);
}

bool TFileFiltersForm::Execute(std::string& filter, const std::vector<std::string>& files) {
    if (!Open(filter, files))
        return false;
    const bool ok = exec() == QDialog::Accepted;
    if (ok)
        filter = ResultText();
    Release();
    return ok;
}

bool TFileFiltersForm::Open(const std::string& filter, const std::vector<std::string>& files) {
    files_ = &files;
    masks_ = FilterMasks(filter);
    lines_ = TFilterLines{};
    GroupsCheckList->clear();
    SelectRadio(EFilterView::Extensions);
    ShowNamesRadio->setEnabled(files.size() < kMaxNameViewFiles);
    if (!ShowView(EFilterView::Extensions)) {
        Release();
        return false;
    }
    return true;
}

void TFileFiltersForm::Release() {
    files_ = nullptr;
    masks_.clear();
    lines_ = TFilterLines{};
    GroupsCheckList->clear();
}

std::string TFileFiltersForm::ResultText() const {
    std::vector<bool> ticks;
    ticks.reserve(static_cast<std::size_t>(GroupsCheckList->count()));
    for (int i = 0; i < GroupsCheckList->count(); ++i)
        ticks.push_back(GroupsCheckList->item(i)->checkState() == Qt::Checked);
    return FilterText(lines_, ticks);
}

// The lines of the view are built aside and shown only when complete, so that a
// malformed mask leaves the window as it was.
bool TFileFiltersForm::ShowView(EFilterView view) {
    TFilterLines lines;
    try {
        lines = BuildLines(view, *files_, masks_);
    } catch (const EMaskException& e) {
        ShowMessageBox(this, QString::fromStdString(e.what()));
        return false;
    }
    lines_ = std::move(lines);
    GroupsCheckList->setUpdatesEnabled(false);
    GroupsCheckList->clear();
    for (std::size_t i = 0; i < lines_.Groups.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(LineText(lines_, i)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(lines_.Ticks[i] ? Qt::Checked : Qt::Unchecked);
        GroupsCheckList->addItem(item);
    }
    GroupsCheckList->setUpdatesEnabled(true);
    return true;
}

void TFileFiltersForm::ViewRadioClick(EFilterView view) {
    if (!files_ || view == lines_.View)
        return;
    if (!ShowView(view))
        SelectRadio(lines_.View);
}

void TFileFiltersForm::SelectRadio(EFilterView view) {
    const QSignalBlocker blockExt(ShowExtRadio);
    const QSignalBlocker blockNames(ShowNamesRadio);
    (view == EFilterView::Extensions ? ShowExtRadio : ShowNamesRadio)->setChecked(true);
}

void TFileFiltersForm::RetranslateUi() {
    setWindowTitle(tr("File filters"));
    ModeGroup->setTitle(tr("Filter selection mode"));
    ShowExtRadio->setText(tr("Show extensions"));
    ShowNamesRadio->setText(tr("Show file names"));
    Button1->setText(tr("Ok"));
    Button2->setText(tr("Cancel"));
    ModeGroup->setAccessibleName(ModeGroup->title());
    for (QAbstractButton* b :
         {static_cast<QAbstractButton*>(ShowExtRadio), static_cast<QAbstractButton*>(ShowNamesRadio),
          static_cast<QAbstractButton*>(Button1), static_cast<QAbstractButton*>(Button2)})
        b->setAccessibleName(b->text());
    // The list has no caption of its own: it is the list of the window's filters.
    GroupsCheckList->setAccessibleName(windowTitle());
}

void TFileFiltersForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QDialog::changeEvent(event);
}

} // namespace korvel
