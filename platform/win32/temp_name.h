#pragma once
// New files under unused names, and the replacing rename, shared by the files that
// replace stores, archives and copies.

#include <string>

#include "platform/win32/wide.h"

namespace korvel::win32 {

// Creates "<dir><prefix>XXXXXX<suffix>" with CREATE_NEW (never an existing file);
// returns the handle, or INVALID_HANDLE_VALUE with `error` set.
HANDLE CreateNewTempFile(const std::string& dir, const std::string& prefix, const std::string& suffix,
                         std::string& path, DWORD& error);

// MoveFileExW with replace and write-through; false with the system's text.
bool MoveReplacing(const std::string& from, const std::string& to, std::string& error);

} // namespace korvel::win32
