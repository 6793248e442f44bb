#pragma once
// The task editor: one window with five pages in which every setting of a task is
// edited. It fills its controls from the task when it opens and writes them back
// only when the user applies and every field is valid.

#include <QDialog>
#include <QTime>
#include <functional>
#include <string>
#include <vector>

#include "editor/dir_filter_slots.h"
#include "tasks/task.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QTabWidget;
class QTimeEdit;

namespace korvel {

class TFileFiltersForm;
class TPleaseWaitForm;

// What the editor reaches outside itself; tests replace these.
struct TTaskEdServices {
    // The folder chooser; true with the chosen path (ending in the separator).
    std::function<bool(std::string& path, const QString& title, bool newStyle)> BrowseForFolder;
    // The file filter browser over `files`, starting from `filter`; true with the new filter.
    std::function<bool(const std::vector<std::string>& files, std::string& filter)> BrowseFilters;
    // The help topic of a page (0 Name ... 4 Schedule).
    std::function<void(int page)> ShowHelp = [](int) {};
    // The Outlook Express message store directory; empty when there is none.
    std::function<std::string()> OutlookStoreRoot;
};

class TTaskEdForm : public QDialog {
    Q_OBJECT
public:
    enum Page { NamePage, SourcePage, DestinationPage, CompressionPage, SchedulePage, PageCount };

    explicit TTaskEdForm(QWidget* parent = nullptr);

    // Shows the window modally for `task`; true when the user applied, the task then
    // holds the new settings. `isNew`: a task being added or cloned ("Finish").
    bool EditTask(TTask& task, bool isNew);

    // The first half of EditTask, without the modal loop: fills the window from the task.
    void Open(TTask& task, bool isNew);
    bool Applied() const { return applied_; }

    // Closing lets go of the task: a cancelled new task is destroyed by its owner.
    void done(int result) override;

    TTaskEdServices& Services() { return services_; }
    int CurrentPage() const;
    void GoToPage(int page);

    // Pages and buttons.
    QTabWidget* PageControl;
    QPushButton *HelpButton, *PrevTabButton, *NextTabButton, *ApplyButton, *CancelButton;
    // Name.
    QLabel* TaskNameLabel;
    QLineEdit* TaskNameEdit;
    // Source.
    QCheckBox* SourceParentSettingsCheck;
    QLabel* SourceDirLabel;
    QListWidget* SourceDirsList;
    QPushButton *AddDirButton, *DelDirButton;
    QCheckBox *IncludeSubDirsCheck, *UseIndFiltersCheck;
    QLabel *IncludeFilterLabel, *ExcludeFilterLabel;
    QLineEdit *IncludeFilterEdit, *ExcludeFilterEdit;
    QPushButton *BrowseIncFilterButton, *BrowseExcFilterButton;
    QCheckBox* ExcludeSomeSubDirsCheck;
    QListWidget* ExcludeSubDirsList;
    QPushButton *AddExclSubDirButtom, *DelExclSubDirButton;
    QPushButton* ApplyTemplateButton;
    QMenu* TemplateMenu;
    QAction* BackupOutlookExpressmessages1;
    // Destination.
    QCheckBox* DestParentSettingsCheck;
    QLabel *DestDirLabel, *CreateDirLabel;
    QLineEdit* DestDirEdit;
    QPushButton* BrowseDestDirButton;
    QCheckBox* ShowUnableToBackupCheck;
    // Compression.
    QCheckBox* CompressParentSettingsCheck;
    QGroupBox* CompressTypeGroup;
    QButtonGroup* CompressTypeButtons;
    QCheckBox* UpdateOnlyCheck;
    QLabel *UpdateOnlyLabel, *IncrBackupHelpLabel, *ZipFileNameLabel, *ZipFileNameHintLabel;
    QLineEdit* ZipFileNameEdit;
    QCheckBox *AskZipFileNameCheck, *DeleteOldFilesCheck;
    QLabel* DeleteOldFilesLabel;
    QLineEdit* DeleteOldFilesEdit;
    QLabel* CompressLevelLabel;
    QComboBox* CompressLevelCombo;
    QCheckBox* ProtectArchiveCheck;
    QLineEdit* ProtectArchivePasswordEdit;
    // Schedule.
    QCheckBox* ScheduleParentSettingsCheck;
    QGroupBox *UseScheduleGroup, *PerformTaskGroup;
    QButtonGroup *UseScheduleButtons, *PerformTaskButtons;
    QLabel* StartTimeLabel;
    QTimeEdit* StartTimePicker;
    QLabel* ScheduleWeekDaysLabel;
    QListWidget* ScheduleWeekDaysCheckList;
    QLabel *ScheduleMonthDaysLabel, *ScheduleMonthDaysHintLabel, *ApplyScheduleLabel, *ScheduleNoteLabel;
    QLineEdit* ScheduleMonthDaysEdit;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateNamePage();
    QWidget* CreateSourcePage();
    QWidget* CreateDestinationPage();
    QWidget* CreateCompressionPage();
    QWidget* CreateSchedulePage();
    void Connect();
    void RetranslateUi(); // the caption routine: every fixed text of the window

    void Fill(const TTask& task);
    bool Validate();
    void WriteBack(TTask& task) const;
    void ApplyEnablingRules();
    void UpdateFilterCaptions();
    void UpdatePageButtons();

    // Handlers, named after the control and its event.
    void ApplyButtonClick();
    void AddDirButtonClick();
    void DelDirButtonClick();
    void SourceDirsListSelect();
    void UseIndFiltersCheckClick();
    void BrowseFilterButtonClick(QLineEdit* edit);
    void AddExclSubDirButtomClick();
    void DelExclSubDirButtonClick();
    void BrowseDestDirButtonClick();
    void CompressTypeGroupClick(int type);
    void BackupOutlookExpressmessages1Click();

    TFilterPair FilterEdits() const;
    void SetFilterEdits(const TFilterPair& pair);
    void RefuseField(QLineEdit* edit, int page, const QString& message);

    TTaskEdServices services_;
    TTask* task_ = nullptr;
    bool isNew_ = false;
    bool applied_ = false;
    TDirFilterSlots slots_;
    QTime filledTime_;                      // the start time as the task held it
    TPleaseWaitForm* pleaseWait_ = nullptr; // shown while the source files are listed
    TFileFiltersForm* fileFilters_ = nullptr;
};

} // namespace korvel
