#pragma once
// How this platform spells paths: which characters separate directories, and
// which names a mirrored copy may keep.

#include <string>

namespace korvel {

// True for a character that separates directories. On POSIX only "/" does: ":"
// and "\" are ordinary name characters there.
bool IsPathSeparator(char c);

// A non-empty directory path gains a trailing separator unless it already ends in one.
std::string WithTrailingSeparator(const std::string& directory);

// The directory path without one trailing separator.
std::string WithoutTrailingSeparator(const std::string& directory);

// Directory part of a path, up to and including its last separator; empty when there is none.
std::string DirectoryPart(const std::string& path);

// Everything after the last separator.
std::string FileNamePart(const std::string& path);

// The path below a mirror's destination for `relative`, a source path below its
// common root. Where a drive letter can stand in a path, its colon cannot stand in
// a name below the destination and becomes "_" (C:/Docs -> C_/Docs); where no drive
// exists the path is kept as it is, so that no two sources share one copy.
std::string MirrorRelativePath(std::string relative);

} // namespace korvel
