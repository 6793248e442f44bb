#include "engine/run_task.h"

#include <unordered_set>

#include "engine/common_root.h"
#include "engine/copy_backup.h"
#include "engine/file_selection.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "tasks/task.h"

namespace korvel {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Clears the rotation list however the run ends: a run that failed or stopped
// must not leave it behind for a later one to act on.
class TObsoleteGuard {
public:
    explicit TObsoleteGuard(TTask& task) : task_(task) {}
    ~TObsoleteGuard() { task_.RunObsoleteArchives.clear(); }
    TObsoleteGuard(const TObsoleteGuard&) = delete;
    TObsoleteGuard& operator=(const TObsoleteGuard&) = delete;

private:
    TTask& task_;
};

} // namespace

void PrepareArchiveName(TTask& task, const TRunHooks& hooks, std::optional<TCalendarDate> date) {
    TExpandedArchiveName expanded = ExpandArchiveName(task.ZipFileName, task.DestDir, task.DeleteOldFiles,
                                                      task.DeleteOldFilesCount, date ? *date : Today());
    task.RunZipFileName = expanded.Path;
    task.RunObsoleteArchives = std::move(expanded.Obsolete);
    if (task.AskZipFileName && hooks.InputBox) {
        const std::optional<std::string> entered =
            hooks.InputBox("Archive name", "Enter new archive file name.", FileNamePart(task.RunZipFileName));
        if (entered)
            task.RunZipFileName = DirectoryPart(task.RunZipFileName) + *entered;
    }
}

std::vector<std::string> SelectTaskFiles(const TTask& task) {
    const TTask& owner = EffectiveTask(task, &TTask::SourceParentSettings);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < owner.SourceDirs.size(); ++i) {
        const std::size_t pair = owner.UseIndFilters && i < owner.Filters.size() ? i : 0;
        const TFilterPair& filter = owner.Filters[pair];
        std::vector<std::string> selected = SelectFiles(owner.SourceDirs[i], filter.IncludeFilter,
                                                        filter.ExcludeFilter, owner.IncludeSubDirs);
        files.insert(files.end(), std::make_move_iterator(selected.begin()),
                     std::make_move_iterator(selected.end()));
    }
    if (files.empty() || !task.ExcludeSomeSubDirs)
        return files;

    std::unordered_set<std::string> excluded;
    for (const std::string& dir : task.ExcludeSubDirs)
        for (const std::string& path : ListFiles(dir, "*", true))
            excluded.insert(LowerAscii(path));
    if (excluded.empty())
        return files;
    std::vector<std::string> kept;
    kept.reserve(files.size());
    for (std::string& path : files)
        if (!excluded.count(LowerAscii(path)))
            kept.push_back(std::move(path));
    return kept;
}

TRunReport RunTask(TTask& task, bool& abort, const ProgressFn& progress, const TRunHooks& hooks) {
    TObsoleteGuard clearRotation(task);
    TRunReport report;
    if (task.SourceDirs.empty())
        throw ETaskError("You must specify source directories for this task");
    if (task.DestDir.empty())
        throw ETaskError("You must specify destination directory for this task");

    const std::vector<std::string> files = SelectTaskFiles(task);
    if (files.empty())
        return report;

    // The scans join levels with "/" only; "\" may be part of a POSIX file name.
    const int rootLength = CommonRootLength(files, "/");

    const std::string target = task.Compress ? DirectoryPart(task.RunZipFileName) : task.DestDir;
    if (!DirectoryExists(target) && !ForceDirectories(target)) {
        if (task.ShowUnableToBackup && hooks.MessageBox)
            hooks.MessageBox("Couldn't create the directory \"" + target + "\"", "Korvel", MsgButtons::Ok);
        return report;
    }

    if (task.Compress) {
        if (!hooks.ArchiveStep)
            return report;
        const bool written =
            hooks.ArchiveStep(task, files, rootLength, abort, progress, task.RunZipFileName, report);
        if (written && !abort && FileExistsAt(task.RunZipFileName))
            DeleteObsoleteArchives(task);
    } else {
        report = CopyBackup(task, files, rootLength, abort, progress, task.DestDir);
    }
    if (!report.Ok() && task.ShowUnableToBackup && hooks.MessageBox)
        hooks.MessageBox(report.Message(), "Korvel", MsgButtons::Ok);
    return report;
}

} // namespace korvel
