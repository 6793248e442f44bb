#pragma once
// Copies one file for the mirror backup.

#include <string>
#include <string_view>

namespace korvel {

// Copies the data of `from` (following symbolic links) to `to` so that `to` is at
// every moment either its old file or the complete copy, even when the process is
// killed or the disk fills up: the data goes to a new temporary file beside `to`
// (see IsCopyTemporaryName), gets the source's modification time (and access time)
// and permission bits (set-id and sticky bits dropped), is flushed to disk when it
// replaces an earlier file, and is then renamed over `to`. A read-only target or a symbolic link in its place
// is replaced, never written through. Only regular files are copied: a FIFO, a device or a socket is refused
// without being opened. On failure the temporary is removed, `to` is untouched and `error` (when given) holds
// the system's text. Uses copy_file_range where the kernel and file systems allow it, a buffered copy
// otherwise.
bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error = nullptr);

constexpr std::string_view kCopyTemporaryPrefix = ".korvel-tmp-";

// True for the names CopyFileWithTimes gives its temporaries: ".korvel-tmp-"
// followed by six letters or digits.
bool IsCopyTemporaryName(std::string_view name);

// Removes from `directory` the temporaries that killed copies left behind; a
// temporary that a running copy still holds, or that another user owns, is left
// alone. Returns how many were removed.
int RemoveStaleCopyTemporaries(const std::string& directory);

} // namespace korvel
