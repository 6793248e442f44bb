#pragma once
// Copies one file for the mirror backup.

#include <string>

namespace korvel {

// Copies the data of `from` (following symbolic links) to `to`, replacing an
// existing file, and gives the copy the source's modification time (and access
// time) and its permission bits (set-id and sticky bits dropped). A read-only
// target is replaced rather than refused. Only regular files are copied: a FIFO,
// a device or a socket fails without blocking. On failure the target is removed
// when the copy had already started writing it, and `error` (when given) holds
// the system's text. Uses copy_file_range where the kernel and file systems allow
// it, a buffered copy otherwise.
bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error = nullptr);

} // namespace korvel
