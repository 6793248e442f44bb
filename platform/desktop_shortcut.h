#pragma once
// Desktop shortcuts that start a program with arguments: a freedesktop.org desktop
// entry on POSIX desktops (a shell link on Windows).

#include <string>
#include <vector>

namespace korvel {

// The extension a shortcut file gets on this platform (".desktop"; ".lnk" on Windows).
extern const char* const kShortcutExtension;

// The user's desktop directory, ending in a separator: $XDG_DESKTOP_DIR, else the
// XDG_DESKTOP_DIR line of the user-dirs.dirs file, else $HOME/Desktop (on Windows,
// the shell's Desktop folder).
std::string DesktopDirectory();

#ifndef _WIN32

// One argument of a desktop entry's Exec line, quoted where it needs it.
std::string QuoteExecArgument(const std::string& argument);

// The text of the desktop entry that starts `target` with `arguments` (blank-separated;
// our arguments never hold blanks of their own), named `name`.
std::string DesktopEntryText(const std::string& target, const std::string& arguments, const std::string& name,
                             const std::string& icon);

#endif

// Writes the shortcut named `name` into the desktop directory, replacing a file of that
// name; false when it could not be written.
bool CreateDesktopShortcut(const std::string& target, const std::string& arguments, const std::string& name);

} // namespace korvel
