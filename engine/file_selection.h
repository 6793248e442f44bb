#pragma once
// Which files a backup takes from one source directory.
//
// Paths are built as the directory (less one trailing separator) + "/" + the path
// below it. Subdirectories are visited before a directory's own files, each in
// the order the file system returns them; nothing is sorted. POSIX knows no hidden
// or system files, so dot files and dot directories are taken like any other.
// A symbolic link to a file is taken as that file; a symbolic link to a directory
// is neither entered nor taken, so that a link cycle cannot make a scan endless.
// Directories that cannot be read are passed over silently.

#include <functional>
#include <string>
#include <vector>

namespace korvel {

// The files below `directory` (below its subdirectories too when `withSubDirs`)
// whose names fit one of the include masks and none of the exclude masks of the
// two filters (masks separated by ";", "," or any character up to code 32).
// Throws EMaskException when a mask that has to be tried is malformed.
std::vector<std::string> SelectFiles(const std::string& directory, const std::string& includeFilter,
                                     const std::string& excludeFilter, bool withSubDirs);

// The files (not directories) below `directory` whose names fit `mask` as the file
// system matches it (see FileSystemMaskMatches), at the top level only or at every
// depth. `pump`, when given, is called now and then during the walk (at every
// directory and every few hundred entries), so that a window can stay responsive.
std::vector<std::string> ListFiles(const std::string& directory, const std::string& mask, bool recursive,
                                   const std::function<void()>& pump = {});

} // namespace korvel
