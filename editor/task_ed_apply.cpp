// Opening the task editor on a task, and writing its controls back when the user applies.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>

#include "editor/integer_text.h"
#include "editor/month_days.h"
#include "editor/task_ed_form.h"
#include "platform/path.h"
#include "platform/qt/message_box.h"

namespace korvel {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

void FillList(QListWidget* list, const std::vector<std::string>& lines) {
    list->clear();
    for (const auto& line : lines)
        list->addItem(Q(line));
}

std::vector<std::string> ListLines(const QListWidget* list) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(S(list->item(i)->text()));
    return lines;
}

void FillParentSettings(QCheckBox* box, bool hasParent, bool flag) {
    box->setEnabled(hasParent);
    box->setChecked(hasParent && flag);
}

QTime TimeOfDay(TDateTime value) {
    const TDateParts parts = DecodeDateTime(value);
    return QTime(parts.Hour, parts.Minute, parts.Second);
}

QString NotAnInteger(const QString& text) {
    // The conversion error reads the same in both languages.
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

} // namespace

bool TTaskEdForm::EditTask(TTask& task, bool isNew) {
    Open(task, isNew);
    exec();
    return applied_;
}

void TTaskEdForm::Open(TTask& task, bool isNew) {
    GoToPage(NamePage);
    applied_ = false;
    task_ = &task;
    isNew_ = isNew;
    Fill(task);
    ApplyButton->setText(isNew ? QStringLiteral("Finish") : QStringLiteral("Apply"));
}

void TTaskEdForm::done(int result) {
    task_ = nullptr;
    QDialog::done(result);
}

TFilterPair TTaskEdForm::FilterEdits() const {
    return {S(IncludeFilterEdit->text()), S(ExcludeFilterEdit->text())};
}

void TTaskEdForm::SetFilterEdits(const TFilterPair& pair) {
    IncludeFilterEdit->setText(Q(pair.IncludeFilter));
    ExcludeFilterEdit->setText(Q(pair.ExcludeFilter));
}

void TTaskEdForm::Fill(const TTask& task) {
    TaskNameEdit->setText(Q(task.TaskName));
    const bool hasParent = task.Parent != nullptr;
    FillParentSettings(SourceParentSettingsCheck, hasParent, task.SourceParentSettings);
    FillParentSettings(DestParentSettingsCheck, hasParent, task.DestParentSettings);
    FillParentSettings(CompressParentSettingsCheck, hasParent, task.CompressParentSettings);
    FillParentSettings(ScheduleParentSettingsCheck, hasParent, task.ScheduleParentSettings);
    {
        // The selection handler must not store the previous task's edits into the new slots.
        const QSignalBlocker block(SourceDirsList);
        FillList(SourceDirsList, task.SourceDirs);
        SourceDirsList->setCurrentRow(task.SourceDirs.empty() ? -1 : 0);
    }
    slots_.ShowNone();
    IncludeSubDirsCheck->setChecked(task.IncludeSubDirs);
    UseIndFiltersCheck->setChecked(task.UseIndFilters);
    if (task.UseIndFilters) {
        slots_.Load(task, static_cast<int>(task.SourceDirs.size()));
        TFilterPair edits;
        slots_.Select(SourceDirsList->currentRow(), SourceDirsList->count(), edits);
        SetFilterEdits(edits);
    } else {
        SetFilterEdits(task.Filters[0]);
    }
    UpdateFilterCaptions();
    ExcludeSomeSubDirsCheck->setChecked(task.ExcludeSomeSubDirs);
    FillList(ExcludeSubDirsList, task.ExcludeSubDirs);
    DestDirEdit->setText(Q(task.DestDir));
    ShowUnableToBackupCheck->setChecked(task.ShowUnableToBackup);
    CompressTypeButtons->button(task.CompressType())->setChecked(true);
    ZipFileNameEdit->setText(Q(task.ZipFileName));
    AskZipFileNameCheck->setChecked(task.AskZipFileName);
    CompressLevelCombo->setCurrentIndex(std::clamp(task.CompressLevel, 0, 9));
    UpdateOnlyCheck->setChecked(task.UpdateOnly);
    DeleteOldFilesCheck->setChecked(task.DeleteOldFiles);
    DeleteOldFilesEdit->setText(QString::number(task.DeleteOldFilesCount));
    ProtectArchiveCheck->setChecked(task.ProtectArchive);
    ProtectArchivePasswordEdit->setText(Q(task.ProtectArchivePassword));
    UseScheduleButtons->button(task.UseSchedule ? 1 : 0)->setChecked(true);
    PerformTaskButtons->button(std::clamp(task.PerformTask - 1, 0, 2))->setChecked(true);
    for (int i = 0; i < 7; ++i)
        ScheduleWeekDaysCheckList->item(i)->setCheckState(
            task.ScheduleWeekDays[static_cast<std::size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    ScheduleMonthDaysEdit->setText(Q(FormatMonthDays(task.ScheduleMonthDays)));
    filledTime_ = TimeOfDay(task.StartTime);
    StartTimePicker->setTime(filledTime_);
    ApplyEnablingRules();
}

void TTaskEdForm::ApplyButtonClick() {
    if (UseIndFiltersCheck->isChecked()) {
        TFilterPair edits = FilterEdits();
        slots_.Select(slots_.Shown(), SourceDirsList->count(), edits);
    }
    // Nothing is written unless every field can be: a half-applied task would be
    // neither the old one nor the one the user asked for.
    if (!task_ || !Validate())
        return;
    WriteBack(*task_);
    applied_ = true;
    accept();
}

void TTaskEdForm::RefuseField(QLineEdit* edit, int page, const QString& message) {
    GoToPage(page);
    ShowMessageBox(this, message);
    edit->setFocus();
    edit->selectAll();
}

bool TTaskEdForm::Validate() {
    const QString count = DeleteOldFilesEdit->text().trimmed();
    const auto number = ParseDecimalInt(S(count));
    if (!number) {
        RefuseField(DeleteOldFilesEdit, CompressionPage, NotAnInteger(DeleteOldFilesEdit->text()));
        return false;
    }
    if (*number < 0) {
        RefuseField(DeleteOldFilesEdit, CompressionPage,
                    tr("The number of archive files to keep cannot be negative: %1.").arg(count));
        return false;
    }
    const TMonthDaysParse days = ParseMonthDays(S(ScheduleMonthDaysEdit->text()));
    if (days.error == TMonthDaysParse::Error::NotInteger) {
        RefuseField(ScheduleMonthDaysEdit, SchedulePage, NotAnInteger(Q(days.badWord)));
        return false;
    }
    if (days.error == TMonthDaysParse::Error::OutOfRange) {
        RefuseField(ScheduleMonthDaysEdit, SchedulePage,
                    tr("Day %1 is outside the range of days of the month (1-31).").arg(Q(days.badWord)));
        return false;
    }
    return true;
}

void TTaskEdForm::WriteBack(TTask& task) const {
    task.TaskName = S(TaskNameEdit->text());
    task.SourceParentSettings = SourceParentSettingsCheck->isChecked();
    task.DestParentSettings = DestParentSettingsCheck->isChecked();
    task.CompressParentSettings = CompressParentSettingsCheck->isChecked();
    task.ScheduleParentSettings = ScheduleParentSettingsCheck->isChecked();
    task.SourceDirs = ListLines(SourceDirsList);
    task.IncludeSubDirs = IncludeSubDirsCheck->isChecked();
    task.UseIndFilters = UseIndFiltersCheck->isChecked();
    if (task.UseIndFilters) {
        const int n = std::min(static_cast<int>(task.SourceDirs.size()), kMaxFilterPairs);
        for (int i = 0; i < n; ++i)
            task.Filters[static_cast<std::size_t>(i)] = slots_.Slot(i);
    } else {
        task.Filters[0] = FilterEdits();
    }
    task.ExcludeSomeSubDirs = ExcludeSomeSubDirsCheck->isChecked();
    task.ExcludeSubDirs = ListLines(ExcludeSubDirsList);
    task.DestDir = WithTrailingSeparator(S(DestDirEdit->text()));
    task.ShowUnableToBackup = ShowUnableToBackupCheck->isChecked();
    task.SetCompressType(CompressTypeButtons->checkedId());
    task.ZipFileName = S(ZipFileNameEdit->text());
    task.AskZipFileName = AskZipFileNameCheck->isChecked();
    task.CompressLevel = CompressLevelCombo->currentIndex();
    task.DeleteOldFiles = DeleteOldFilesCheck->isChecked();
    task.DeleteOldFilesCount = ParseDecimalInt(S(DeleteOldFilesEdit->text().trimmed())).value_or(0);
    task.UpdateOnly = UpdateOnlyCheck->isChecked();
    task.ProtectArchive = ProtectArchiveCheck->isChecked();
    task.ProtectArchivePassword = S(ProtectArchivePasswordEdit->text());
    task.UseSchedule = UseScheduleButtons->checkedId() == 1;
    task.PerformTask = PerformTaskButtons->checkedId() + 1;
    // Only the time of day is edited: the date part, and the whole value when the
    // time was left alone, stay as the task held them.
    const QTime time = StartTimePicker->time();
    if (time != filledTime_) {
        TDateParts parts = DecodeDateTime(task.StartTime);
        parts.Hour = time.hour();
        parts.Minute = time.minute();
        parts.Second = time.second();
        parts.Millisecond = 0;
        task.StartTime = EncodeDateTime(parts);
    }
    for (int i = 0; i < 7; ++i)
        task.ScheduleWeekDays[static_cast<std::size_t>(i)] =
            ScheduleWeekDaysCheckList->item(i)->checkState() == Qt::Checked;
    task.ScheduleMonthDays = ParseMonthDays(S(ScheduleMonthDaysEdit->text())).days;
}

} // namespace korvel
