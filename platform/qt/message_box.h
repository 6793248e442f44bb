#pragma once
// Every message box of the windows goes through here, so that tests can answer them.

#include <QString>

#include "platform/ui_hooks.h"

class QWidget;

namespace korvel {

// Shows a modal box titled "Korvel" (or `title`) and returns the button pressed.
MsgResult ShowMessageBox(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                         const QString& title = QStringLiteral("Korvel"));

// Replaces the real boxes (tests); an empty function restores them.
void SetMessageBoxHandler(MessageBoxFn handler);

// A MessageBoxFn for the core, showing boxes over `parent`.
MessageBoxFn CoreMessageBox(QWidget* parent);

} // namespace korvel
