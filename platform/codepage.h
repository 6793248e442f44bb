#pragma once
// The code pages of the narrow texts that leave the program. In memory every text
// is UTF-8. Archive entry names are in the OEM code page: on Windows the system's,
// on POSIX the DOS page a Windows machine with the user's locale would use (866
// Russian, else 437). The stores hold their texts in the ANSI code page: on Windows
// the system's, on POSIX the locale's UTF-8, so that there they are stored as they are.

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

// The ANSI code page's number: GetACP() on Windows, 65001 (UTF-8) on POSIX.
int AnsiCodePage();

// UTF-8 to the ANSI code page; nothing when a character has no form in it or
// the text is not valid UTF-8 (on POSIX, where the page is UTF-8 itself, the
// bytes are kept as they are).
std::optional<std::string> Utf8ToAnsi(const std::string& text);

// ANSI code page to UTF-8. Reading never fails: what the page does not define
// becomes the system's stand-in (U+FFFD for a broken double-byte sequence); on
// POSIX the bytes are kept as they are.
std::string AnsiToUtf8(const std::string& text);

} // namespace korvel
