#pragma once
// Entry names: the stored name of a file path under the writer's path rules,
// the code page of the name bytes in the archive, and the case-blind
// comparisons and wildcard patterns the writer applies to names.

#include <string>
#include <vector>

#include "archive/zip_header_info.h"

namespace korvel {

struct TStoredNameRules {
    bool StorePaths = false;
    bool RelativePaths = false;
    bool StoreVolumes = false;
    std::vector<std::string> RelativePathList;
};

// Directory part (ending in "\" when not empty) and file name part.
struct TStoredName {
    std::string Directory;
    std::string FileName;
    std::string Full() const { return Directory + FileName; }
};

// "/" and "\" both separate directories; the result uses "\" throughout.
std::string ToBackslashes(std::string path);

// The stored name of `path` (a file, or a directory when it ends in a separator).
TStoredName StoredNameOf(const std::string& path, const TStoredNameRules& rules);

// True when the part of a POSIX `path` that becomes the stored name holds a "\".
// There "\" is an ordinary name character, but an archive made on this host (host
// byte 0) can only use it as a separator: "x\y.txt" would turn into "x/y.txt".
bool StoredNameNeedsBackslash(const std::string& path, const TStoredNameRules& rules);

// Sets rec.RawName to the name bytes to write, following rec.NameConversion;
// a name the OEM code page cannot hold is written as UTF-8 with flag bit 11.
void EncodeEntryName(TZipHeaderInfo& rec);

// Fills the directory and file name parts from the name bytes as read.
void DecodeEntryName(const std::string& raw, TZipHeaderInfo& rec);

// Lower case for comparisons, UTF-8 aware.
std::string LowerName(const std::string& text);

// "*" any run, "?" any one character; case-blind. A pattern with a directory
// separator is matched against the whole path, any other against the file name.
bool MatchesNamePattern(const std::string& pattern, const std::string& path);
bool MatchesAnyPattern(const std::vector<std::string>& patterns, const std::string& path);

} // namespace korvel
