#pragma once
// "Create desktop icon": a desktop shortcut that starts the program with "/t" and task ids.

#include <string>

class QWidget;

namespace korvel {

class TChooseTasksForm;
class TTasksList;

// `text` with the punctuation that shells and old file systems choke on replaced by "_".
std::string CleanLinkName(const std::string& text);

// Lets the user choose tasks and a name in `chooser`, writes the shortcut that starts
// `executable` with them, and reports the outcome.
void CreateIconAction(QWidget* parent, const TTasksList& tasks, int selectedIndex, TChooseTasksForm& chooser,
                      const std::string& executable);

} // namespace korvel
