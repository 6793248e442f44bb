#pragma once
// The system's folder chooser, returning paths in the form task fields hold.

#include <QString>
#include <string>

class QWidget;

namespace korvel {

// Shows the folder chooser titled `title` over `parent`; true when the user chose a
// folder, whose path (ending in the directory separator) is then in `path`. The new
// style offers creating a folder, the classic one does not.
bool BrowseForFolder(std::string& path, const QString& title, bool newStyle, QWidget* parent = nullptr);

} // namespace korvel
