#pragma once
// The callbacks through which the core talks to whatever user interface runs it.
// The core never includes a window header: the windows supply these.

#include <functional>
#include <string>

namespace korvel {

enum class MsgButtons { Ok, OkCancel, YesNoCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

// Shows a modal message box and returns the button pressed.
using MessageBoxFn = std::function<MsgResult(const std::string& text, const std::string& title, MsgButtons)>;

// Takes the completed fraction (0 to 1) of the current task; returns true when the user asked to stop.
using ProgressFn = std::function<bool(double fraction)>;

// Dispatches pending window messages; returns true when the application is quitting.
using PumpMessagesFn = std::function<bool()>;

} // namespace korvel
