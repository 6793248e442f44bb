#pragma once
// Asking the user for the archive password on the terminal, without echo.

#include <optional>
#include <string>

namespace korvel::sfx {

// Reads one line from /dev/tty with echo switched off; nullopt when there is
// no terminal to ask (the process was started without one) or input ended.
std::optional<std::string> AskPasswordOnTerminal(const std::string& prompt);

} // namespace korvel::sfx
