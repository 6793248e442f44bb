#pragma once
// The icon of every window of the program: the one the desktop shows in its menu.

#include <QIcon>

namespace korvel {

// Every size drawn at build time from app/korvel.svg, embedded in the program.
QIcon ProgramIcon();

} // namespace korvel
