#pragma once
// One run of the self-extractor: list or extract the archive appended to a file.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace korvel::sfx {

inline constexpr int kExitOk = 0;
inline constexpr int kExitEntriesFailed = 1; // some entries were refused or failed
inline constexpr int kExitFatal = 2;         // nothing could be done (no archive, bad options ...)

struct TSfxOptions {
    std::string archivePath; // the file to read (the running program's own file)
    std::string archiveName; // its real name, from which the default target is made
    std::string targetDir;   // empty: the default directory beside the archive
    std::optional<std::string> password;
    bool listOnly = false;
    bool quiet = false;
};

using TPasswordAsker = std::function<std::optional<std::string>()>;

// "dir/backup.exe" -> "dir/backup"; a name without extension gets "_files"
// so that the directory never takes the archive's own name.
std::string DefaultTargetDir(const std::string& archiveName);

// Returns the exit status. `askPassword` is called once, and only when an
// entry is encrypted and no password was given.
int RunSfx(const TSfxOptions& options, const TPasswordAsker& askPassword, std::FILE* out, std::FILE* err);

} // namespace korvel::sfx
