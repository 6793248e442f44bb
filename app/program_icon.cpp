#include "app/program_icon.h"

#include <QDirIterator>

namespace korvel {

QIcon ProgramIcon() {
    QIcon icon;
    // Pictures drawn for a size look sharper than one scaled by the window system.
    for (QDirIterator it(QStringLiteral(":/icons"), {QStringLiteral("korvel.png")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        icon.addFile(it.next());
    return icon;
}

} // namespace korvel
