#include "sfx/sfx_run.h"

#include "sfx/archive_file.h"
#include "sfx/dos_time.h"
#include "sfx/entry_data.h"
#include "sfx/entry_names.h"
#include "sfx/target_tree.h"
#include "sfx/zip_directory.h"

#include <algorithm>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace korvel::sfx {

namespace {

constexpr unsigned kHostDos = 0;
constexpr unsigned kHostUnix = 3;
constexpr unsigned kHostNtfs = 10;
constexpr unsigned kHostAnsi = 11;

bool HasDirectoryAttribute(const TSfxEntry& entry) {
    const unsigned host = entry.versionMadeBy >> 8;
    if (host == kHostUnix && (entry.externalAttributes >> 16) != 0) {
        return S_ISDIR(entry.externalAttributes >> 16);
    }
    if (host == kHostDos || host == kHostNtfs || host == kHostAnsi || host == kHostUnix) {
        return (entry.externalAttributes & 0x10) != 0;
    }
    return false;
}

// Names and comments come from the archive: control characters in them could
// drive the user's terminal, so they are shown as "?".
std::string Printable(const std::string& text, bool keepLineBreaks = false) {
    std::string shown = text;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte == 0x7F) && !(keepLineBreaks && (c == '\n' || c == '\t'))) {
            c = '?';
        }
    }
    return shown;
}

unsigned CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Unix permission bits when the archiver recorded them (set-id bits never);
// from a Windows host, its read-only attribute.
unsigned FileMode(const TSfxEntry& entry, unsigned umaskBits) {
    const unsigned host = entry.versionMadeBy >> 8;
    const unsigned unixMode = entry.externalAttributes >> 16;
    unsigned mode = 0666;
    if (host == kHostUnix && S_ISREG(unixMode) && (unixMode & 0777) != 0) {
        mode = unixMode & 0777;
    } else if ((host == kHostDos || host == kHostNtfs || host == kHostAnsi) &&
               (entry.externalAttributes & 0x01)) {
        mode = 0444;
    }
    return mode & ~umaskBits;
}

void PrintList(const TSfxDirectory& directory, const std::vector<std::string>& names,
               const std::string& archive, std::FILE* out) {
    std::fprintf(out, "Archive:  %s\n", archive.c_str());
    std::fprintf(out, "%12s  %-10s %-5s   %s\n", "Length", "Date", "Time", "Name");
    std::fprintf(out, "%12s  %-10s %-5s   %s\n", "------------", "----------", "-----", "----");
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const TSfxEntry& e = directory.entries[i];
        const TDosFields t = UnpackDosDateTime(e.dosDateTime);
        std::fprintf(out, "%12llu  %04d-%02d-%02d %02d:%02d   %s%s\n",
                     static_cast<unsigned long long>(e.uncompressedSize), t.year, t.month, t.day, t.hour,
                     t.minute, Printable(names[i]).c_str(), e.IsEncrypted() ? "  (encrypted)" : "");
        total += e.uncompressedSize;
    }
    std::fprintf(out, "%12s  %-10s %-5s   %s\n", "------------", "", "", "-------");
    std::fprintf(out, "%12llu  %-10s %-5s   %zu %s\n", static_cast<unsigned long long>(total), "", "",
                 names.size(), names.size() == 1 ? "entry" : "entries");
    if (!directory.comment.empty()) {
        std::fprintf(out, "%s\n", Printable(directory.comment, true).c_str());
    }
}

} // namespace

std::string DefaultTargetDir(const std::string& archiveName) {
#ifdef _WIN32
    const std::size_t slash = archiveName.find_last_of("\\/");
#else
    const std::size_t slash = archiveName.rfind('/');
#endif
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = archiveName.rfind('.');
    if (dot != std::string::npos && dot > nameStart) {
        return archiveName.substr(0, dot);
    }
    return archiveName + "_files";
}

int RunSfx(const TSfxOptions& options, const TPasswordAsker& askPassword, std::FILE* out, std::FILE* err) {
    try {
        const TArchiveFile file(options.archivePath);
        const TSfxDirectory directory = ReadDirectory(file);
        const TOemCodePage page = OemCodePageFromLocale();
        std::vector<std::string> names;
        names.reserve(directory.entries.size());
        for (const TSfxEntry& e : directory.entries) {
            names.push_back(DecodeEntryName(e.storedName, e.flags, e.versionMadeBy, page));
        }
        if (options.listOnly) {
            PrintList(directory, names, options.archiveName, out);
            return kExitOk;
        }

        std::optional<std::string> password = options.password;
        const bool anyEncrypted = std::any_of(directory.entries.begin(), directory.entries.end(),
                                              [](const TSfxEntry& e) { return e.IsEncrypted(); });
        const bool askedAtPrompt = anyEncrypted && !password && askPassword;
        bool passwordProved = false;
        int promptsLeft = 2;
        if (anyEncrypted && !password) {
            password = askPassword ? askPassword() : std::nullopt;
            if (!password) {
                std::fprintf(err,
                             "sfx: the archive is encrypted and no password was given (use -p PASSWORD)\n");
                return kExitFatal;
            }
        }

        const std::string root =
            options.targetDir.empty() ? DefaultTargetDir(options.archiveName) : options.targetDir;
        const TTargetTree tree(root);
        if (!options.quiet) {
            std::fprintf(out, "Extracting to %s\n", root.c_str());
        }
        const unsigned umaskBits = CurrentUmask();
        std::size_t failures = 0;
        std::vector<std::pair<std::vector<std::string>, std::time_t>> directoryTimes;

        for (std::size_t i = 0; i < directory.entries.size(); ++i) {
            const TSfxEntry& entry = directory.entries[i];
            const std::string shown = Printable(names[i]);
            const char* name = shown.c_str();
            const std::optional<TSafePath> path = MakeSafePath(names[i]);
            if (!path) {
                std::fprintf(
                    err, "sfx: skipped \"%s\": unsafe name (absolute, drive letter, \"..\" or NUL byte)\n",
                    name);
                ++failures;
                continue;
            }
            const std::time_t mtime = DosDateTimeToTime(entry.dosDateTime);
            std::string error;
            if (path->isDirectory ||
                (entry.uncompressedSize == 0 && entry.compressedSize == 0 && HasDirectoryAttribute(entry))) {
                const TFd dir = tree.OpenDirectory(path->components, path->components.size(), error);
                if (!dir.Valid()) {
                    std::fprintf(err, "sfx: %s: %s\n", name, Printable(error).c_str());
                    ++failures;
                    continue;
                }
                if (!options.quiet) {
                    std::fprintf(out, "   creating: %s\n", name);
                }
                directoryTimes.emplace_back(path->components, mtime);
                continue;
            }

            std::optional<TTargetTree::TNewFile> target;
            TDataResult result;
            for (;;) {
                target.reset(); // a refused attempt's temporary file goes first
                std::optional<TTargetTree::TNewFile> made = tree.CreateFile(path->components, error);
                if (!made) {
                    break;
                }
                target.emplace(std::move(*made));
                result =
                    ExtractEntryData(file, entry, password, [&](const std::uint8_t* data, std::size_t size) {
                        return target->Write(data, size);
                    });
                // A password typed at the prompt may be mistyped: until one entry has
                // proved it, a refused password is asked for again, a few times.
                if (result.status != TDataStatus::WrongPassword || !askedAtPrompt || passwordProved ||
                    promptsLeft == 0) {
                    break;
                }
                std::fprintf(err, "sfx: incorrect password\n");
                --promptsLeft;
                const std::optional<std::string> again = askPassword();
                if (!again) {
                    break;
                }
                password = again;
            }
            if (!target) {
                std::fprintf(err, "sfx: %s: %s\n", name, Printable(error).c_str());
                ++failures;
                continue;
            }
            if (result.status != TDataStatus::Ok) {
                const std::string& why =
                    result.status == TDataStatus::WriteFailed ? target->WriteError() : result.message;
                std::fprintf(err, "sfx: %s: %s\n", name, Printable(why).c_str());
                ++failures;
                continue; // the temporary file goes with `target`
            }
            passwordProved = passwordProved || entry.IsEncrypted();
            if (!target->Commit(FileMode(entry, umaskBits), mtime, error)) {
                std::fprintf(err, "sfx: %s: %s\n", name, Printable(error).c_str());
                ++failures;
                continue;
            }
            if (!options.quiet) {
                std::fprintf(out, " extracting: %s\n", name);
            }
        }
        // Last, and deepest first: writing into a directory moves its time again.
        std::sort(directoryTimes.begin(), directoryTimes.end(),
                  [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
        for (const auto& [components, mtime] : directoryTimes) {
            tree.SetDirectoryTime(components, mtime);
        }
        if (failures > 0) {
            std::fprintf(err, "sfx: %zu of %zu entries failed\n", failures, directory.entries.size());
            return kExitEntriesFailed;
        }
        return kExitOk;
    } catch (const TSfxError& e) {
        std::fprintf(err, "sfx: %s\n", e.what());
        return kExitFatal;
    } catch (const std::exception& e) {
        std::fprintf(err, "sfx: %s\n", e.what());
        return kExitFatal;
    }
}

} // namespace korvel::sfx
