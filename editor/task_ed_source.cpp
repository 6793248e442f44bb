// The task editor's handlers that change lists and names: source directories with
// their filters, excluded subdirectories, the destination, the archive name, the template.

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include "editor/archive_extension.h"
#include "editor/task_ed_form.h"
#include "engine/file_selection.h"
#include "engine/ui/please_wait_form.h"
#include "platform/path.h"
#include "platform/qt/message_box.h"

namespace korvel {

namespace {

// Whether the list already holds the directory. Windows names ignore letter case;
// elsewhere "Data" and "data" are two directories.
bool Holds(const QListWidget* list, const QString& path) {
#ifdef _WIN32
    constexpr Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity sensitivity = Qt::CaseSensitive;
#endif
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().compare(path, sensitivity) == 0)
            return true;
    return false;
}

} // namespace

void TTaskEdForm::AddDirButtonClick() {
    // Each directory may carry its own filter pair, and the task has room for 100.
    if (SourceDirsList->count() >= kMaxFilterPairs) {
        ShowMessageBox(this, tr("A task can have at most %1 source directories.").arg(kMaxFilterPairs));
        return;
    }
    std::string path;
    if (!services_.BrowseForFolder(path, tr("Choose the source directory"), false))
        return;
    const QString dir = QString::fromStdString(path);
    if (Holds(SourceDirsList, dir)) {
        ShowMessageBox(this, tr("The directory %1 have been already added to the list.").arg(dir));
        return;
    }
    SourceDirsList->addItem(dir);
    slots_.Added(SourceDirsList->count() - 1);
}

void TTaskEdForm::DelDirButtonClick() {
    const int row = SourceDirsList->currentRow();
    if (row < 0)
        return;
    slots_.Deleted(row, SourceDirsList->count());
    {
        // While the item is taken out the list reports rows that shift under it; the
        // edits are loaded once the list has settled.
        const QSignalBlocker block(SourceDirsList);
        delete SourceDirsList->takeItem(row);
    }
    SourceDirsListSelect();
}

void TTaskEdForm::SourceDirsListSelect() {
    if (UseIndFiltersCheck->isChecked()) {
        TFilterPair edits = FilterEdits();
        slots_.Select(SourceDirsList->currentRow(), SourceDirsList->count(), edits);
        SetFilterEdits(edits);
    }
    UpdateFilterCaptions();
}

void TTaskEdForm::UseIndFiltersCheckClick() {
    if (UseIndFiltersCheck->isChecked())
        slots_.StartAll(FilterEdits(), SourceDirsList->count(), SourceDirsList->currentRow());
    UpdateFilterCaptions();
}

void TTaskEdForm::BrowseFilterButtonClick(QLineEdit* edit) {
    std::vector<std::string> dirs;
    if (UseIndFiltersCheck->isChecked()) {
        if (SourceDirsList->currentRow() >= 0)
            dirs.push_back(SourceDirsList->currentItem()->text().toStdString());
    } else {
        for (int i = 0; i < SourceDirsList->count(); ++i)
            dirs.push_back(SourceDirsList->item(i)->text().toStdString());
    }
    if (dirs.empty()) {
        ShowMessageBox(this, QStringLiteral("No directory selected."));
        return;
    }
    pleaseWait_->show();
    // The wait window repaints during a long scan; the user's input waits, so that
    // nothing in the editor changes under the scan.
    const std::function<void()> pump = [] {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    pump();
    std::vector<std::string> files;
    for (const auto& dir : dirs) {
        auto found = ListFiles(dir, "*", IncludeSubDirsCheck->isChecked(), pump);
        files.insert(files.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    pleaseWait_->hide();
    std::string filter = edit->text().toStdString();
    if (services_.BrowseFilters(files, filter))
        edit->setText(QString::fromStdString(filter));
}

void TTaskEdForm::AddExclSubDirButtomClick() {
    std::string path;
    if (!services_.BrowseForFolder(
            path, QStringLiteral("Choose the directory to be excluded from the backup"), false))
        return;
    const QString dir = QString::fromStdString(path);
    if (Holds(ExcludeSubDirsList, dir)) {
        ShowMessageBox(this,
                       QStringLiteral("The directory %1 have been already added to the list.").arg(dir));
        return;
    }
    ExcludeSubDirsList->addItem(dir);
}

void TTaskEdForm::DelExclSubDirButtonClick() {
    const int row = ExcludeSubDirsList->currentRow();
    if (row >= 0)
        delete ExcludeSubDirsList->takeItem(row);
}

void TTaskEdForm::BrowseDestDirButtonClick() {
    std::string path;
    if (services_.BrowseForFolder(path, QStringLiteral("Choose the destination directory"), true))
        DestDirEdit->setText(QString::fromStdString(path));
}

void TTaskEdForm::CompressTypeGroupClick(int type) {
    ApplyEnablingRules();
    ZipFileNameEdit->setText(
        QString::fromStdString(ArchiveNameForType(ZipFileNameEdit->text().toStdString(), type)));
}

void TTaskEdForm::BackupOutlookExpressmessages1Click() {
    const std::string store = services_.OutlookStoreRoot();
    if (store.empty()) {
        // Leave the user's directories alone: an empty line would only fail the next run.
        ShowMessageBox(this, tr("No Outlook Express message store was found on this computer."));
        return;
    }
    {
        const QSignalBlocker block(SourceDirsList);
        SourceDirsList->clear();
    }
    slots_.ShowNone();
    SourceDirsList->addItem(QString::fromStdString(WithTrailingSeparator(store)));
    slots_.Added(0);
    UseIndFiltersCheck->setChecked(false);
    UseIndFiltersCheckClick();
    SetFilterEdits({"*", ""});
    IncludeSubDirsCheck->setChecked(false);
    ExcludeSomeSubDirsCheck->setChecked(false);
    ExcludeSubDirsList->clear();
    ApplyEnablingRules();
}

} // namespace korvel
