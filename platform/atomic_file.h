#pragma once
// Whole-file reads and crash-safe whole-file writes for the small stores.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvel {

// Writes part of a buffer to a file descriptor; returns the count written or -1 with errno set.
// Tests substitute one that fails part-way.
using WriteFn = std::function<long(int fd, const char* data, std::size_t size)>;

// Replaces the file at `path` with `bytes` so that a crash, a full disk or a
// failed write leaves either the old file or the new one, never a mixture:
// the bytes go to a temporary file in the same directory, are flushed to disk,
// renamed over the target, and the directory is flushed. The new file gets
// `mode` (owner-only by default: the task store holds passwords).
// Throws std::system_error carrying the system's text on failure.
void SaveFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0600,
                        const WriteFn& write = {});

// Removes temporary files that an interrupted SaveFileAtomically left beside `path`.
void RemoveStaleTemporaries(const std::string& path);

// Prefix of the temporary files SaveFileAtomically makes for `path` (without directory).
std::string TemporaryPrefixFor(const std::string& path);

enum class ReadResult { Ok, Missing, Failed };

// Reads a whole file. On Failed, `error` holds the system's text.
ReadResult ReadWholeFile(const std::string& path, std::string& contents, std::string& error);

// Copies a file byte for byte, replacing the target; false on any failure.
bool CopyFileContents(const std::string& from, const std::string& to);

} // namespace korvel
