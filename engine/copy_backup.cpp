#include "engine/copy_backup.h"

#include <unordered_set>

#include "engine/archive_name.h"
#include "platform/copy_file.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "tasks/task.h"

namespace korvel {

namespace {

bool SameDosTime(const std::string& source, const std::string& target) {
    TFileInfo src, dst;
    return GetFileInfo(source, src) && !src.IsDirectory && GetFileInfo(target, dst) && !dst.IsDirectory &&
           FileTimeToDos(src.ModTime) == FileTimeToDos(dst.ModTime);
}

} // namespace

TRunReport CopyBackup(const TTask& task, const std::vector<std::string>& files, int rootLength, bool& abort,
                      const ProgressFn& progress, const std::string& destDirText, const TickFn& tick) {
    TRunReport report;
    abort = false;
    auto ticks = [&tick] { return tick ? tick() : TickCount(); };
    std::uint32_t lastReport = ticks();
    const std::string destDir = WithTrailingSeparator(destDirText);
    const std::size_t skip = rootLength > 0 ? static_cast<std::size_t>(rootLength) : 0;
    const std::size_t count = files.size();
    // The directory made or found for the previous file: consecutive files mostly
    // share one, and checking it again for each would cost a system call per file.
    std::string knownDir;
    // Directories already cleared of the temporaries of killed runs.
    std::unordered_set<std::string> swept;

    for (std::size_t i = 0; i < count; ++i) {
        const std::string& source = files[i];
        const std::string target =
            destDir + MirrorRelativePath(skip <= source.size() ? source.substr(skip) : std::string());
        const std::string targetDir = DirectoryPart(target);
        if (swept.insert(targetDir).second)
            RemoveStaleCopyTemporaries(targetDir);

        if (!(task.UpdateOnly && SameDosTime(source, target))) {
            if (targetDir != knownDir) {
                if (ForceDirectories(targetDir))
                    knownDir = targetDir;
                else
                    knownDir.clear();
            }
            if (knownDir.empty() || !CopyFileWithTimes(source, target))
                report.AddFailure(source);
        }

        const std::uint32_t now = ticks();
        if (now - lastReport > 50) {
            const double fraction = count > 1 ? static_cast<double>(i) / static_cast<double>(count - 1) : 1.0;
            if (progress && progress(fraction)) {
                abort = true;
                break;
            }
            lastReport = now;
        }
    }
    return report;
}

} // namespace korvel
