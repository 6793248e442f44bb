#include "app/create_icon.h"

#include <QCoreApplication>
#include <QStringList>
#include <string_view>

#include "app/choose_tasks_form.h"
#include "platform/qt/message_box.h"
#include "platform/desktop_shortcut.h"
#include "tasks/tasks_list.h"

namespace korvel {

std::string CleanLinkName(const std::string& text) {
    constexpr std::string_view replaced = "!\"#$%&'()*:;<>?@[]^`{}~";
    std::string out = text;
    for (char& c : out)
        if (replaced.find(c) != std::string_view::npos)
            c = '_';
    return out;
}

void CreateIconAction(QWidget* parent, const TTasksList& tasks, int selectedIndex, TChooseTasksForm& chooser,
                      const std::string& executable) {
    QStringList names;
    for (int i = 0; i < tasks.Count(); ++i)
        names << QString::fromStdString(tasks.Item(i).TaskName);
    TIntArray indices;
    QString linkName;
    if (!chooser.ChooseTasks(names, selectedIndex >= 0 ? selectedIndex : 0, indices, linkName))
        return;
    if (indices.Count() == 0)
        return;
    std::string arguments = "/t";
    for (int k = 0; k < indices.Count(); ++k)
        arguments += " " + std::to_string(tasks.Item(indices.Get(k)).TaskId);
    std::string name = CleanLinkName(linkName.toStdString());
    // An empty name would make a hidden file that nobody sees on the desktop.
    if (name.empty())
        name = CleanLinkName(tasks.Item(indices.Get(0)).TaskName);
    if (name.empty())
        name = "Korvel";
    const bool created = CreateDesktopShortcut(executable, arguments, name);
    ShowMessageBox(
        parent,
        created ? QCoreApplication::translate("korvel::CreateIconAction", "Desktop shortcut created.")
                : QCoreApplication::translate("korvel::CreateIconAction", "Couldn't create the shortcut"));
}

} // namespace korvel
