#include "editor/task_ed_form.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "editor/file_filters_form.h"
#include "editor/outlook_store.h"
#include "engine/ui/please_wait_form.h"
#include "platform/qt/folder_picker.h"
#include "platform/qt/window_placement.h"

namespace korvel {

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* BuddyLabel(QWidget* parent, const char* name, QWidget* buddy) {
    auto* label = Named(new QLabel(parent), name);
    label->setBuddy(buddy);
    return label;
}

QLabel* WrappedLabel(QWidget* parent, const char* name) {
    auto* label = Named(new QLabel(parent), name);
    label->setWordWrap(true);
    return label;
}

// Only a task that has a parent can take a page's settings from it; the box is never shown.
QCheckBox* ParentSettingsCheck(QWidget* parent, const char* name) {
    auto* box = Named(new QCheckBox(QStringLiteral("Use parent task settings"), parent), name);
    box->hide();
    return box;
}

// A radio group: a titled box with one button per item, numbered from 0.
QGroupBox* RadioGroup(QWidget* parent, const char* name, int items, QButtonGroup*& buttons) {
    auto* group = Named(new QGroupBox(parent), name);
    auto* layout = new QVBoxLayout(group);
    buttons = new QButtonGroup(group);
    for (int i = 0; i < items; ++i) {
        auto* radio = new QRadioButton(group);
        radio->setObjectName(QStringLiteral("%1Item%2").arg(QString::fromLatin1(name)).arg(i));
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    return group;
}

QVBoxLayout* ButtonColumn(std::initializer_list<QWidget*> buttons) {
    auto* column = new QVBoxLayout;
    for (QWidget* b : buttons)
        column->addWidget(b);
    column->addStretch();
    return column;
}

} // namespace

TTaskEdForm::TTaskEdForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TaskEdForm"));
    setModal(true);
    services_.BrowseForFolder = [this](std::string& path, const QString& title, bool newStyle) {
        return korvel::BrowseForFolder(path, title, newStyle, this);
    };
    services_.OutlookStoreRoot = [] { return OutlookExpressStoreRoot(OpenCurrentUserKey().get()); };
    pleaseWait_ = new TPleaseWaitForm(this);
    fileFilters_ = new TFileFiltersForm(this);
    services_.BrowseFilters = [this](const std::vector<std::string>& files, std::string& filter) {
        return fileFilters_->Execute(filter, files);
    };

    PageControl = Named(new QTabWidget(this), "PageControl");
    PageControl->addTab(CreateNamePage(), QString());
    PageControl->addTab(CreateSourcePage(), QString());
    PageControl->addTab(CreateDestinationPage(), QString());
    PageControl->addTab(CreateCompressionPage(), QString());
    PageControl->addTab(CreateSchedulePage(), QString());

    HelpButton = Named(new QPushButton(this), "HelpButton");
    PrevTabButton = Named(new QPushButton(this), "PrevTabButton");
    NextTabButton = Named(new QPushButton(this), "NextTabButton");
    ApplyButton = Named(new QPushButton(this), "ApplyButton");
    CancelButton = Named(new QPushButton(this), "CancelButton");
    for (QPushButton* b : {HelpButton, PrevTabButton, NextTabButton, ApplyButton, CancelButton})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpButton);
    buttons->addStretch();
    for (QPushButton* b : {PrevTabButton, NextTabButton, ApplyButton, CancelButton})
        buttons->addWidget(b);

    auto* main = new QVBoxLayout(this);
    main->addWidget(PageControl, 1);
    main->addLayout(buttons);

    Connect();
    IncludeFilterEdit->installEventFilter(this);
    RetranslateUi();
    GoToPage(NamePage);
    ApplyEnablingRules();
    adjustSize();
    CenterOnScreen(this);
}

QWidget* TTaskEdForm::CreateNamePage() {
    auto* page = Named(new QWidget, "NameSheet");
    TaskNameEdit = Named(new QLineEdit(page), "TaskNameEdit");
    TaskNameLabel = BuddyLabel(page, "TaskNameLabel", TaskNameEdit);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(TaskNameLabel);
    layout->addWidget(TaskNameEdit);
    layout->addStretch();
    return page;
}

QWidget* TTaskEdForm::CreateSourcePage() {
    auto* page = Named(new QWidget, "SourceSheet");
    SourceParentSettingsCheck = ParentSettingsCheck(page, "SourceParentSettingsCheck");
    SourceDirsList = Named(new QListWidget(page), "SourceDirsList");
    SourceDirLabel = BuddyLabel(page, "SourceDirLabel", SourceDirsList);
    AddDirButton = Named(new QPushButton(page), "AddDirButton");
    DelDirButton = Named(new QPushButton(page), "DelDirButton");
    IncludeSubDirsCheck = Named(new QCheckBox(page), "IncludeSubDirsCheck");
    UseIndFiltersCheck = Named(new QCheckBox(page), "UseIndFiltersCheck");
    IncludeFilterEdit = Named(new QLineEdit(page), "IncludeFilterEdit");
    ExcludeFilterEdit = Named(new QLineEdit(page), "ExcludeFilterEdit");
    IncludeFilterLabel = BuddyLabel(page, "IncludeFilterLabel", IncludeFilterEdit);
    ExcludeFilterLabel = BuddyLabel(page, "ExcludeFilterLabel", ExcludeFilterEdit);
    // These labels name a directory of any length: they take the width the edits give them.
    for (QLabel* l : {IncludeFilterLabel, ExcludeFilterLabel})
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    BrowseIncFilterButton = Named(new QPushButton(page), "BrowseIncFilterButton");
    BrowseExcFilterButton = Named(new QPushButton(page), "BrowseExcFilterButton");
    ExcludeSomeSubDirsCheck = Named(new QCheckBox(page), "ExcludeSomeSubDirsCheck");
    ExcludeSubDirsList = Named(new QListWidget(page), "ExcludeSubDirsList");
    AddExclSubDirButtom = Named(new QPushButton(page), "AddExclSubDirButtom");
    DelExclSubDirButton = Named(new QPushButton(page), "DelExclSubDirButton");
    ApplyTemplateButton = Named(new QPushButton(page), "ApplyTemplateButton");
    TemplateMenu = Named(new QMenu(this), "TemplateMenu");
    BackupOutlookExpressmessages1 = TemplateMenu->addAction(QString());
    BackupOutlookExpressmessages1->setObjectName(QStringLiteral("BackupOutlookExpressmessages1"));
    for (QListWidget* list : {SourceDirsList, ExcludeSubDirsList})
        list->setMinimumHeight(list->fontMetrics().height() * 4);

    auto* layout = new QGridLayout(page);
    int row = 0;
    layout->addWidget(SourceParentSettingsCheck, row++, 0, 1, 2);
    layout->addWidget(SourceDirLabel, row++, 0, 1, 2);
    layout->addWidget(SourceDirsList, row, 0);
    layout->addLayout(ButtonColumn({AddDirButton, DelDirButton}), row++, 1);
    layout->addWidget(IncludeSubDirsCheck, row++, 0, 1, 2);
    layout->addWidget(UseIndFiltersCheck, row++, 0, 1, 2);
    layout->addWidget(IncludeFilterLabel, row++, 0, 1, 2);
    layout->addWidget(IncludeFilterEdit, row, 0);
    layout->addWidget(BrowseIncFilterButton, row++, 1);
    layout->addWidget(ExcludeFilterLabel, row++, 0, 1, 2);
    layout->addWidget(ExcludeFilterEdit, row, 0);
    layout->addWidget(BrowseExcFilterButton, row++, 1);
    layout->addWidget(ExcludeSomeSubDirsCheck, row++, 0, 1, 2);
    layout->addWidget(ExcludeSubDirsList, row, 0);
    layout->addLayout(ButtonColumn({AddExclSubDirButtom, DelExclSubDirButton}), row++, 1);
    layout->addWidget(ApplyTemplateButton, row++, 1);
    layout->setColumnStretch(0, 1);
    return page;
}

QWidget* TTaskEdForm::CreateDestinationPage() {
    auto* page = Named(new QWidget, "DestinationSheet");
    DestParentSettingsCheck = ParentSettingsCheck(page, "DestParentSettingsCheck");
    DestDirEdit = Named(new QLineEdit(page), "DestDirEdit");
    DestDirLabel = BuddyLabel(page, "DestDirLabel", DestDirEdit);
    BrowseDestDirButton = Named(new QPushButton(page), "BrowseDestDirButton");
    CreateDirLabel = WrappedLabel(page, "CreateDirLabel");
    ShowUnableToBackupCheck = Named(new QCheckBox(page), "ShowUnableToBackupCheck");

    auto* layout = new QGridLayout(page);
    layout->addWidget(DestParentSettingsCheck, 0, 0, 1, 2);
    layout->addWidget(DestDirLabel, 1, 0, 1, 2);
    layout->addWidget(DestDirEdit, 2, 0);
    layout->addWidget(BrowseDestDirButton, 2, 1);
    layout->addWidget(CreateDirLabel, 3, 0, 1, 2);
    layout->addWidget(ShowUnableToBackupCheck, 4, 0, 1, 2);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(0, 1);
    return page;
}

QWidget* TTaskEdForm::CreateCompressionPage() {
    auto* page = Named(new QWidget, "CompressionSheet");
    CompressParentSettingsCheck = ParentSettingsCheck(page, "CompressParentSettingsCheck");
    CompressTypeGroup = RadioGroup(page, "CompressTypeGroup", 3, CompressTypeButtons);
    UpdateOnlyCheck = Named(new QCheckBox(page), "UpdateOnlyCheck");
    UpdateOnlyLabel = Named(new QLabel(page), "UpdateOnlyLabel");
    UpdateOnlyLabel->setIndent(UpdateOnlyCheck->iconSize().width() + 6);
    IncrBackupHelpLabel = WrappedLabel(page, "IncrBackupHelpLabel");
    ZipFileNameEdit = Named(new QLineEdit(page), "ZipFileNameEdit");
    ZipFileNameLabel = BuddyLabel(page, "ZipFileNameLabel", ZipFileNameEdit);
    ZipFileNameHintLabel = WrappedLabel(page, "ZipFileNameHintLabel");
    AskZipFileNameCheck = Named(new QCheckBox(page), "AskZipFileNameCheck");
    DeleteOldFilesCheck = Named(new QCheckBox(page), "DeleteOldFilesCheck");
    DeleteOldFilesEdit = Named(new QLineEdit(page), "DeleteOldFilesEdit");
    DeleteOldFilesLabel = BuddyLabel(page, "DeleteOldFilesLabel", DeleteOldFilesEdit);
    CompressLevelCombo = Named(new QComboBox(page), "CompressLevelCombo");
    for (int i = 0; i < 10; ++i)
        CompressLevelCombo->addItem(QString());
    CompressLevelLabel = BuddyLabel(page, "CompressLevelLabel", CompressLevelCombo);
    ProtectArchiveCheck = Named(new QCheckBox(page), "ProtectArchiveCheck");
    ProtectArchivePasswordEdit = Named(new QLineEdit(page), "ProtectArchivePasswordEdit");

    auto* layout = new QGridLayout(page);
    int row = 0;
    layout->addWidget(CompressParentSettingsCheck, row++, 0, 1, 2);
    layout->addWidget(CompressTypeGroup, row++, 0, 1, 2);
    layout->addWidget(UpdateOnlyCheck, row++, 0, 1, 2);
    layout->addWidget(UpdateOnlyLabel, row++, 0, 1, 2);
    layout->addWidget(IncrBackupHelpLabel, row++, 0, 1, 2);
    layout->addWidget(ZipFileNameLabel, row++, 0, 1, 2);
    layout->addWidget(ZipFileNameEdit, row++, 0, 1, 2);
    layout->addWidget(ZipFileNameHintLabel, row++, 0, 1, 2);
    layout->addWidget(AskZipFileNameCheck, row++, 0, 1, 2);
    layout->addWidget(DeleteOldFilesCheck, row++, 0, 1, 2);
    layout->addWidget(DeleteOldFilesLabel, row, 0);
    layout->addWidget(DeleteOldFilesEdit, row++, 1);
    layout->addWidget(CompressLevelLabel, row, 0);
    layout->addWidget(CompressLevelCombo, row++, 1);
    layout->addWidget(ProtectArchiveCheck, row, 0);
    layout->addWidget(ProtectArchivePasswordEdit, row++, 1);
    layout->setRowStretch(row, 1);
    return page;
}

QWidget* TTaskEdForm::CreateSchedulePage() {
    auto* page = Named(new QWidget, "ScheduleSheet");
    ScheduleParentSettingsCheck = ParentSettingsCheck(page, "ScheduleParentSettingsCheck");
    UseScheduleGroup = RadioGroup(page, "UseScheduleGroup", 2, UseScheduleButtons);
    PerformTaskGroup = RadioGroup(page, "PerformTaskGroup", 3, PerformTaskButtons);
    StartTimePicker = Named(new QTimeEdit(page), "StartTimePicker");
    StartTimePicker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    StartTimeLabel = BuddyLabel(page, "StartTimeLabel", StartTimePicker);
    ScheduleWeekDaysCheckList = Named(new QListWidget(page), "ScheduleWeekDaysCheckList");
    for (int i = 0; i < 7; ++i) {
        auto* item = new QListWidgetItem(ScheduleWeekDaysCheckList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    ScheduleWeekDaysCheckList->setMinimumHeight(ScheduleWeekDaysCheckList->sizeHintForRow(0) * 7 +
                                                2 * ScheduleWeekDaysCheckList->frameWidth());
    ScheduleWeekDaysLabel = BuddyLabel(page, "ScheduleWeekDaysLabel", ScheduleWeekDaysCheckList);
    ScheduleMonthDaysEdit = Named(new QLineEdit(page), "ScheduleMonthDaysEdit");
    ScheduleMonthDaysLabel = BuddyLabel(page, "ScheduleMonthDaysLabel", ScheduleMonthDaysEdit);
    ScheduleMonthDaysHintLabel = Named(new QLabel(page), "ScheduleMonthDaysHintLabel");
    ApplyScheduleLabel = WrappedLabel(page, "ApplyScheduleLabel");
    ScheduleNoteLabel = WrappedLabel(page, "ScheduleNoteLabel");

    auto* left = new QVBoxLayout;
    left->addWidget(UseScheduleGroup);
    left->addWidget(PerformTaskGroup);
    left->addWidget(StartTimeLabel);
    left->addWidget(StartTimePicker);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(ScheduleWeekDaysLabel);
    right->addWidget(ScheduleWeekDaysCheckList);
    right->addWidget(ScheduleMonthDaysLabel);
    right->addWidget(ScheduleMonthDaysEdit);
    right->addWidget(ScheduleMonthDaysHintLabel);
    right->addStretch();
    auto* layout = new QGridLayout(page);
    layout->addWidget(ScheduleParentSettingsCheck, 0, 0, 1, 2);
    layout->addLayout(left, 1, 0);
    layout->addLayout(right, 1, 1);
    layout->addWidget(ApplyScheduleLabel, 2, 0, 1, 2);
    layout->addWidget(ScheduleNoteLabel, 3, 0, 1, 2);
    layout->setRowStretch(1, 1);
    return page;
}

void TTaskEdForm::Connect() {
    connect(PageControl, &QTabWidget::currentChanged, this, [this] {
        UpdatePageButtons();
        UpdateFilterCaptions();
    });
    connect(PrevTabButton, &QPushButton::clicked, this, [this] { GoToPage(CurrentPage() - 1); });
    connect(NextTabButton, &QPushButton::clicked, this, [this] { GoToPage(CurrentPage() + 1); });
    connect(ApplyButton, &QPushButton::clicked, this, &TTaskEdForm::ApplyButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { services_.ShowHelp(CurrentPage()); });

    connect(AddDirButton, &QPushButton::clicked, this, &TTaskEdForm::AddDirButtonClick);
    connect(DelDirButton, &QPushButton::clicked, this, &TTaskEdForm::DelDirButtonClick);
    connect(SourceDirsList, &QListWidget::currentRowChanged, this, &TTaskEdForm::SourceDirsListSelect);
    connect(ExcludeSubDirsList, &QListWidget::itemClicked, this, &TTaskEdForm::SourceDirsListSelect);
    connect(UseIndFiltersCheck, &QCheckBox::clicked, this, &TTaskEdForm::UseIndFiltersCheckClick);
    connect(BrowseIncFilterButton, &QPushButton::clicked, this,
            [this] { BrowseFilterButtonClick(IncludeFilterEdit); });
    connect(BrowseExcFilterButton, &QPushButton::clicked, this,
            [this] { BrowseFilterButtonClick(ExcludeFilterEdit); });
    connect(AddExclSubDirButtom, &QPushButton::clicked, this, &TTaskEdForm::AddExclSubDirButtomClick);
    connect(DelExclSubDirButton, &QPushButton::clicked, this, &TTaskEdForm::DelExclSubDirButtonClick);
    connect(ApplyTemplateButton, &QPushButton::clicked, this, [this] {
        TemplateMenu->popup(ApplyTemplateButton->mapToGlobal(QPoint(ApplyTemplateButton->width() + 9, 28)));
    });
    connect(BackupOutlookExpressmessages1, &QAction::triggered, this,
            &TTaskEdForm::BackupOutlookExpressmessages1Click);
    connect(BrowseDestDirButton, &QPushButton::clicked, this, &TTaskEdForm::BrowseDestDirButtonClick);
    connect(CompressTypeButtons, &QButtonGroup::idClicked, this, &TTaskEdForm::CompressTypeGroupClick);

    for (QCheckBox* box :
         {IncludeSubDirsCheck, ExcludeSomeSubDirsCheck, DeleteOldFilesCheck, ProtectArchiveCheck})
        connect(box, &QCheckBox::clicked, this, &TTaskEdForm::ApplyEnablingRules);
    for (QButtonGroup* group : {UseScheduleButtons, PerformTaskButtons})
        connect(group, &QButtonGroup::idClicked, this, &TTaskEdForm::ApplyEnablingRules);
}

void TTaskEdForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QDialog::changeEvent(event);
}

// The filter labels are fitted to the include edit, so they follow its width.
bool TTaskEdForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == IncludeFilterEdit && event->type() == QEvent::Resize)
        UpdateFilterCaptions();
    return QDialog::eventFilter(watched, event);
}

// ---- navigation ----

int TTaskEdForm::CurrentPage() const {
    return PageControl->currentIndex();
}

void TTaskEdForm::GoToPage(int page) {
    PageControl->setCurrentIndex(std::clamp(page, 0, PageCount - 1));
    UpdatePageButtons();
}

void TTaskEdForm::UpdatePageButtons() {
    PrevTabButton->setEnabled(CurrentPage() >= 1);
    NextTabButton->setEnabled(CurrentPage() < PageCount - 1);
}

void TTaskEdForm::ApplyEnablingRules() {
    const bool sub = IncludeSubDirsCheck->isChecked();
    const bool someSub = sub && ExcludeSomeSubDirsCheck->isChecked();
    ExcludeSomeSubDirsCheck->setEnabled(sub);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ExcludeSubDirsList, AddExclSubDirButtom, DelExclSubDirButton})
        w->setEnabled(someSub);

    const int type = CompressTypeButtons->checkedId();
    const bool archive = type != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{
             CompressLevelLabel, CompressLevelCombo, ZipFileNameLabel, ZipFileNameEdit, ZipFileNameHintLabel,
             AskZipFileNameCheck, DeleteOldFilesCheck, ProtectArchiveCheck})
        w->setEnabled(archive);
    DeleteOldFilesEdit->setEnabled(archive && DeleteOldFilesCheck->isChecked());
    DeleteOldFilesLabel->setEnabled(DeleteOldFilesEdit->isEnabled());
    ProtectArchivePasswordEdit->setEnabled(archive && ProtectArchiveCheck->isChecked());
    UpdateOnlyCheck->setEnabled(type == 0 || type == 1);
    UpdateOnlyLabel->setEnabled(UpdateOnlyCheck->isEnabled());
    IncrBackupHelpLabel->setEnabled(type == 1);

    const bool schedule = UseScheduleButtons->checkedId() == 1;
    const int perform = PerformTaskButtons->checkedId();
    for (QWidget* w : std::initializer_list<QWidget*>{PerformTaskGroup, StartTimePicker, StartTimeLabel,
                                                      ApplyScheduleLabel, ScheduleNoteLabel})
        w->setEnabled(schedule);
    ScheduleWeekDaysCheckList->setEnabled(schedule && perform == 1);
    ScheduleWeekDaysLabel->setEnabled(schedule && perform == 1);
    ScheduleMonthDaysEdit->setEnabled(schedule && perform == 2);
    ScheduleMonthDaysHintLabel->setEnabled(schedule && perform == 2);
}

} // namespace korvel
