#pragma once
// The OEM code page of archive entry names. On this platform the narrow
// encoding of file names is UTF-8; the OEM code page is the DOS page a
// Windows machine with the user's locale would use (866 Russian, else 437).

#include <optional>
#include <string>

namespace korvel {

// 866 when LC_ALL, LC_CTYPE or LANG (the first one set) starts with "ru", 437 otherwise.
int OemCodePage();

// UTF-8 to the OEM code page; nothing when a character has no OEM form
// or the text is not valid UTF-8.
std::optional<std::string> Utf8ToOem(const std::string& text);

// OEM code page to UTF-8; every OEM byte has a UTF-8 form, but a failed
// conversion (no converter available) gives nothing.
std::optional<std::string> OemToUtf8(const std::string& text);

} // namespace korvel
