#include "platform/qt/folder_picker.h"

#include <QApplication>
#include <QFileDialog>

#include "platform/dir_separator.h"

namespace korvel {

bool BrowseForFolder(std::string& path, const QString& title, bool newStyle, QWidget* parent) {
    path.clear();
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    if (!newStyle)
        options |= QFileDialog::ReadOnly; // no "Create New Folder"
    const QString chosen = QFileDialog::getExistingDirectory(parent ? parent : QApplication::activeWindow(),
                                                             title, QString(), options);
    if (chosen.isEmpty())
        return false;
    path = WithDirSeparator(QDir::toNativeSeparators(chosen).toStdString());
    return true;
}

} // namespace korvel
