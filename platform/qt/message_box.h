#pragma once
// Every message box of the windows goes through here, so that tests can answer them.

#include <QString>
#include <optional>

#include "platform/ui_hooks.h"

class QWidget;

namespace korvel {

// Shows a modal box titled "Korvel" (or `title`) and returns the button pressed.
MsgResult ShowMessageBox(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                         const QString& title = QStringLiteral("Korvel"));

// Replaces the real boxes (tests); an empty function restores them.
void SetMessageBoxHandler(MessageBoxFn handler);

// Asks for one line of text, proposing `initial`; nothing when the user cancelled.
std::optional<QString> ShowInputBox(QWidget* parent, const QString& title, const QString& prompt,
                                    const QString& initial);

// Replaces the real input boxes; an empty function restores them.
using InputBoxHandler = std::function<std::optional<QString>(const QString& title, const QString& prompt,
                                                             const QString& initial)>;
void SetInputBoxHandler(InputBoxHandler handler);

// A MessageBoxFn for the core, showing boxes over `parent`.
MessageBoxFn CoreMessageBox(QWidget* parent);

} // namespace korvel
