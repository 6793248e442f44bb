#pragma once
// The one door to the help: every help request of the program goes through HtmlHelp
// (hhctrl.ocx's HtmlHelpA on Windows, Korvel's own help window elsewhere).

#include <QUrl>
#include <functional>
#include <string>

class QWidget;

namespace korvel {

class THelpWindow;

inline constexpr unsigned HH_DISPLAY_TOPIC = 0;
inline constexpr unsigned HH_CLOSE_ALL = 18;

// HH_DISPLAY_TOPIC: shows "file" or "file::/topic" and returns its window (one window
// per file, reused). HH_CLOSE_ALL: closes every help window; returns null.
THelpWindow* HtmlHelp(QWidget* owner, const std::string& file, unsigned command, unsigned long data);

// The help requests of the windows. In English they open the compiled help among the
// program's data (platform/program_dirs.h); in Russian the Russian help pages with the desktop's default
// handler.
void ShowHelpContents(bool contents); // "Help contents" (true) or F1 in the main window
void ShowEditorHelp(int page);        // the task editor's Help button on page 0 to 4
void CloseAllHelp();                  // the main window closes (English only)

// Where the Russian help pages live: installed with the program's data, so that help
// works without a network.
QUrl OnlineHelpBase();

// Replaces the desktop's handler for the Russian pages (tests); empty restores it.
void SetUrlOpener(std::function<void(const QUrl&)> opener);

} // namespace korvel
