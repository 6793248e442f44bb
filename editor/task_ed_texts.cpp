// The caption routine of the task editor and the texts that change while it is open.

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "editor/filter_captions.h"
#include "editor/task_ed_form.h"

namespace korvel {

namespace {

// A label and the control it names: screen readers and tests find the control by the label's text.
void SetCaption(QLabel* label, const QString& text) {
    label->setText(text);
    if (label->buddy())
        label->buddy()->setAccessibleName(text);
}

void SetItems(QButtonGroup* group, const QStringList& texts) {
    for (int i = 0; i < texts.size(); ++i)
        group->button(i)->setText(texts[i]);
}

} // namespace

void TTaskEdForm::RetranslateUi() {
    setWindowTitle(tr("Task properties"));
    HelpButton->setText(tr("Help"));
    PrevTabButton->setText(tr("Previous"));
    NextTabButton->setText(tr("Next"));
    ApplyButton->setText(tr("Apply"));
    CancelButton->setText(tr("Cancel"));
    PageControl->setTabText(NamePage, tr("Name"));
    PageControl->setTabText(SourcePage, tr("Source"));
    PageControl->setTabText(DestinationPage, tr("Destination"));
    PageControl->setTabText(CompressionPage, tr("Compression"));
    PageControl->setTabText(SchedulePage, tr("Shedule"));

    SetCaption(TaskNameLabel, tr("Task name"));
    SetCaption(SourceDirLabel, tr("Source directories:"));
    IncludeSubDirsCheck->setText(tr("Backup with subdirectories"));
    AddDirButton->setText(tr("Add"));
    DelDirButton->setText(tr("Delete"));
    UseIndFiltersCheck->setText(tr("Enter individual filters for each source directory"));
    ExcludeSomeSubDirsCheck->setText(tr("Exclude some subdirectories from the backup:"));
    ExcludeSubDirsList->setAccessibleName(ExcludeSomeSubDirsCheck->text());
    AddExclSubDirButtom->setText(tr("Add"));
    DelExclSubDirButton->setText(tr("Delete"));
    ApplyTemplateButton->setText(tr("Apply template..."));
    BackupOutlookExpressmessages1->setText(tr("Backup Outlook Express messages"));

    SetCaption(DestDirLabel, tr("Destination directory:"));
    CreateDirLabel->setText(
        tr("If this directory doesn't exist, it will be created by the program during the backup."));
    BrowseDestDirButton->setText(tr("Browse"));
    ShowUnableToBackupCheck->setText(tr("Show a message if the program was unable to perform the backup."));

    CompressTypeGroup->setTitle(tr("Compression type"));
    SetItems(CompressTypeButtons,
             {tr("No compression (copy files)"), tr("Compress to zip file"), tr("Compress to SFX archive")});
    UpdateOnlyCheck->setText(tr("Incremental backup (skip files which have been already added"));
    UpdateOnlyLabel->setText(tr(" to the archive and have same dates)."));
    IncrBackupHelpLabel->setText(tr("Note that incremental archiving do not work well (see Help)."));
    SetCaption(ZipFileNameLabel, tr("Archive file name:"));
    ZipFileNameHintLabel->setText(
        tr("Allowed variables: %yy, %yyyy (year); %mm(month); %dd (day); %n (backup number)."));
    AskZipFileNameCheck->setText(tr("Ask the user to modify the archive file name on each backup."));
    DeleteOldFilesCheck->setText(
        tr("Delete old archive files (this option works if the archive file name has variables)."));
    SetCaption(DeleteOldFilesLabel, tr("Maximum number of files in destination directory:"));
    SetCaption(CompressLevelLabel, tr("Compression level:"));
    CompressLevelCombo->setItemText(0, tr("No compression (fastest)"));
    for (int level = 1; level <= 8; ++level)
        CompressLevelCombo->setItemText(level, tr("Level %1").arg(level));
    CompressLevelCombo->setItemText(9, tr("Level 9 (slowest)"));
    ProtectArchiveCheck->setText(tr("Protect with password:"));
    ProtectArchivePasswordEdit->setAccessibleName(ProtectArchiveCheck->text());

    UseScheduleGroup->setTitle(tr("Schedule options"));
    SetItems(UseScheduleButtons, {tr("Do not use schedule (manually only)"), tr("Use schedule")});
    PerformTaskGroup->setTitle(tr("Perform the task"));
    SetItems(PerformTaskButtons, {tr("Every day"), tr("Weekly"), tr("Monthly")});
    SetCaption(StartTimeLabel, tr("Start time:"));
    SetCaption(ScheduleWeekDaysLabel, tr("Days of week:"));
    const QStringList days = {tr("Monday"), tr("Tuesday"),  tr("Wednesday"), tr("Thursday"),
                              tr("Friday"), tr("Saturday"), tr("Sunday")};
    for (int i = 0; i < days.size(); ++i)
        ScheduleWeekDaysCheckList->item(i)->setText(days[i]);
    SetCaption(ScheduleMonthDaysLabel, tr("Days of month:"));
    ScheduleMonthDaysHintLabel->setText(tr("Example: 1,11,21"));
    ApplyScheduleLabel->setText(
        tr("To apply this schedule, use the \"Activate schedule\" button on the main window."));
    ScheduleNoteLabel->setText(
        tr("Note that the schedule can be activated under administrative account only."));

    // Buttons, check boxes and group boxes are named by their own captions.
    for (auto* button : findChildren<QAbstractButton*>())
        button->setAccessibleName(button->text());
    for (auto* group : findChildren<QGroupBox*>())
        group->setAccessibleName(group->title());

    if (task_)
        ApplyButton->setText(isNew_ ? QStringLiteral("Finish") : QStringLiteral("Apply"));
    UpdateFilterCaptions();
}

void TTaskEdForm::UpdateFilterCaptions() {
    const bool individual = UseIndFiltersCheck->isChecked();
    const int row = SourceDirsList->currentRow();
    const QString browse = individual ? tr("Browse in source directory") : tr("Browse in source directories");
    for (QPushButton* b : {BrowseIncFilterButton, BrowseExcFilterButton}) {
        b->setText(browse);
        b->setAccessibleName(browse);
    }
    if (!individual || row < 0) {
        SetCaption(IncludeFilterLabel, tr("Include filter:"));
        SetCaption(ExcludeFilterLabel, tr("Exclude filter:"));
        return;
    }
    const QString includePrefix = tr("Include filter for source directory ");
    const QFontMetrics metrics(IncludeFilterLabel->font());
    const QString include =
        ShortenToWidth(includePrefix + SourceDirsList->item(row)->text(), IncludeFilterEdit->width() - 50,
                       [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
    SetCaption(IncludeFilterLabel, include + QLatin1Char(':'));
    SetCaption(ExcludeFilterLabel, tr("Exclude filter for source directory ") +
                                       include.mid(includePrefix.size()) + QLatin1Char(':'));
}

} // namespace korvel
