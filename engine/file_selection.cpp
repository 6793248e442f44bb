#include "engine/file_selection.h"

#include <optional>

#include "engine/mask.h"
#include "engine/text_tokens.h"
#include "platform/find_files.h"
#include "platform/path.h"

namespace korvel {

namespace {

struct TScan {
    TMaskList* Include = nullptr;
    TMaskList* Exclude = nullptr;
    const std::string* FileSystemMask = nullptr; // ListFiles: the file system matches
    bool WithSubDirs = false;
    std::vector<std::string>* Result = nullptr;
    const std::function<void()>* Pump = nullptr;
};

constexpr unsigned kEntriesPerPump = 512;

// One pass over the directory gathers both its subdirectories and its files; the
// subdirectories are then scanned before the files are appended, which keeps the
// order of a scan that enumerates the directory twice.
void ScanDirectory(const std::string& dir, const TScan& scan) {
    std::vector<std::string> subDirs;
    std::vector<std::string> files;
    TFindFiles finder;
    TSearchRec rec;
    const std::string prefix = dir + "/";
    const bool pumping = scan.Pump && *scan.Pump;
    if (pumping)
        (*scan.Pump)();
    unsigned entries = 0;
    if (finder.FindFirst(prefix, "*", rec)) {
        do {
            if (pumping && ++entries % kEntriesPerPump == 0)
                (*scan.Pump)();
            if (rec.IsDirectory) {
                if (scan.WithSubDirs && !rec.IsSymlink)
                    subDirs.push_back(rec.Name);
                continue;
            }
            if (scan.FileSystemMask) {
                if (!FileSystemMaskMatches(rec.Name, *scan.FileSystemMask))
                    continue;
            } else {
                if (!scan.Include->AnyMatches(rec.Name))
                    continue;
                if (!scan.Exclude->Empty() && scan.Exclude->AnyMatches(rec.Name))
                    continue;
            }
            files.push_back(rec.Name);
        } while (finder.FindNext(rec));
    }
    finder.Close();
    for (const std::string& sub : subDirs)
        ScanDirectory(prefix + sub, scan);
    for (const std::string& name : files)
        scan.Result->push_back(prefix + name);
}

} // namespace

std::vector<std::string> SelectFiles(const std::string& directory, const std::string& includeFilter,
                                     const std::string& excludeFilter, bool withSubDirs) {
    TMaskList include(SplitTokens(ReplaceChar(includeFilter, ',', ';'), ';'));
    TMaskList exclude(SplitTokens(ReplaceChar(excludeFilter, ',', ';'), ';'));
    std::vector<std::string> result;
    // An empty include filter selects nothing, wherever we would look.
    if (directory.empty() || include.Empty())
        return result;
    TScan scan;
    scan.Include = &include;
    scan.Exclude = &exclude;
    scan.WithSubDirs = withSubDirs;
    scan.Result = &result;
    ScanDirectory(WithoutTrailingSeparator(directory), scan);
    return result;
}

std::vector<std::string> ListFiles(const std::string& directory, const std::string& mask, bool recursive,
                                   const std::function<void()>& pump) {
    std::vector<std::string> result;
    if (directory.empty())
        return result;
    TScan scan;
    scan.FileSystemMask = &mask;
    scan.WithSubDirs = recursive;
    scan.Result = &result;
    scan.Pump = &pump;
    ScanDirectory(WithoutTrailingSeparator(directory), scan);
    return result;
}

} // namespace korvel
