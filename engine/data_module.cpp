#include "engine/data_module.h"

#include <random>

#include "archive/zip_exceptions.h"
#include "platform/date_time.h"
#include "platform/file_replace.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/program_dirs.h"
#include "tasks/task.h"

namespace korvel {

namespace {

constexpr std::uint32_t kReportInterval = 50; // ms between progress reports

// A name beside the archive that nothing else uses; the new archive is written
// there and takes the archive's place only once it is complete.
std::string UnusedNameBeside(const std::string& archivePath) {
    static std::mt19937_64 rng{std::random_device{}()};
    const std::string dir = DirectoryPart(archivePath);
    for (;;) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(rng()));
        std::string candidate = dir + "." + FileNamePart(archivePath) + ".tmp-" + suffix;
        TFileInfo info;
        if (!GetFileInfo(candidate, info))
            return candidate;
    }
}

bool SamePath(const std::string& a, const std::string& b) {
    const TFileId ia = FileIdOf(a);
    return a == b || (ia.Valid && ia == FileIdOf(b));
}

} // namespace

TDataModule1::TDataModule1() : StubPath(DataDir() + "sfx32pro.bin") {
    ZipWriter1.MultiZipInfo().BlockSize = 1457600;
    ZipWriter1.OnEndZip = [this](TZipWriter&, const std::string&, std::uint64_t, std::uint64_t,
                                 std::uint64_t) { ZipWriter1EndZip(); };
}

void TDataModule1::ZipWriter1EndZip() {
    ++FilesDone;
    CurrentTick = TickCount();
    if (CurrentTick - LastTick <= kReportInterval)
        return;
    if (ProgressCallback && ProgressCallback(static_cast<double>(FilesDone) / FileCount))
        ZipWriter1.CancelOperation();
    LastTick = CurrentTick;
}

bool TDataModule1::ZipBackup(TTask& task, const std::vector<std::string>& files, int rootLength, bool& abort,
                             const ProgressFn& progress, const std::string& archivePath, TRunReport& report) {
    abort = false;
    if (files.empty())
        return false;

    // An archive that already exists is updated in place only for an incremental zip
    // run (the writer itself goes through a temporary archive then). Every other run
    // writes a new archive beside the old one, which stays until the new one is complete.
    const bool updateExisting = task.UpdateOnly && !task.Sfx && FileExistsAt(archivePath);
    const std::string output = updateExisting ? archivePath : UnusedNameBeside(archivePath);

    ZipWriter1.SetStorePaths(true);
    ZipWriter1.SetPackLevel(task.CompressLevel);
    if (rootLength == 0) {
        ZipWriter1.SetRootDir("");
        ZipWriter1.SetRelativePaths(false);
        ZipWriter1.SetStoreVolumes(true);
    } else {
        ZipWriter1.SetRelativePaths(true);
        ZipWriter1.SetStoreVolumes(false);
        ZipWriter1.SetRootDir(files.front().substr(0, static_cast<std::size_t>(rootLength)));
    }
    ZipWriter1.SetPassword(task.ProtectArchive ? task.ProtectArchivePassword : std::string());
    ZipWriter1.FilesList().clear();
    for (const std::string& f : files)
        // The archive being replaced must not end up inside its successor.
        if (!SamePath(f, archivePath))
            ZipWriter1.FilesList().push_back(f);

    FileCount = static_cast<std::int32_t>(files.size());
    FilesDone = 0;
    ProgressCallback = progress;
    LastTick = TickCount();

    ZipWriter1.SetZipAction(task.UpdateOnly ? zaUpdate : zaReplace);
    // The temporary archive of an update goes beside the archive, on the same file system,
    // so that putting it in place is a rename.
    ZipWriter1.SetTempPath(DirectoryPart(archivePath));

    const auto discardOutput = [&] {
        if (output != archivePath)
            DeleteFileAt(output);
    };
    const auto reportCreateError = [&] {
        if (task.ShowUnableToBackup && MessageBox)
            MessageBox("Couldn't create the file \"" + archivePath + "\"", "Korvel", MsgButtons::Ok);
    };
    ZipWriter1.OnSkippingFile = [&report](TZipWriter&, TSkipReason reason, const std::string& path, int,
                                          bool&) {
        if (reason == srFileOpenError || reason == srBadPath)
            report.AddFailure(path);
    };
    struct TDetach {
        TZipWriter& writer;
        ~TDetach() { writer.OnSkippingFile = nullptr; }
    } detach{ZipWriter1};
    try {
        if (task.Sfx) {
            ZipWriter1.ZipToSfx(StubPath, output);
        } else {
            ZipWriter1.SetZipName(output);
            ZipWriter1.Zip();
        }
    } catch (const EUserCanceled&) {
        abort = true;
    } catch (const EFCreateError&) {
        reportCreateError();
        discardOutput();
        return false;
    } catch (...) {
        discardOutput();
        throw;
    }
    if (abort) {
        discardOutput();
        return false;
    }
    if (output == archivePath)
        return true;
    if (!FileExistsAt(output))
        return false;
    std::string error;
    // A self-extracting archive is a program: executable as far as the umask allows.
    if (!ReplaceFileSafely(output, archivePath, NewFileMode(task.Sfx), error)) {
        discardOutput();
        reportCreateError();
        return false;
    }
    return true;
}

} // namespace korvel
