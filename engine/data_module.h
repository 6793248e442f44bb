#pragma once
// The data module: the one archive writer of the program and the archive step of a
// run, which hands the selected files to it and relays its progress.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "engine/run_report.h"
#include "platform/ui_hooks.h"

namespace korvel {

class TTask;

class TDataModule1 {
public:
    TDataModule1();

    // The archive step of a run: writes the task's ZIP or self-extracting archive of
    // `files` at `archivePath`. Returns true when the archive was written completely.
    // Sets `abort` when the user stopped the run. The files the writer left out because
    // they cannot be read (pipes, devices) or stored (a name it would change) go to `report`.
    bool ZipBackup(TTask& task, const std::vector<std::string>& files, int rootLength, bool& abort,
                   const ProgressFn& progress, const std::string& archivePath, TRunReport& report);

    // The writer's end-of-file event: counts the file and reports progress at most every 50 ms.
    void ZipWriter1EndZip();

    TZipWriter ZipWriter1;
    std::uint32_t LastTick = 0;
    std::uint32_t CurrentTick = 0;
    ProgressFn ProgressCallback;
    std::int32_t FileCount = 0;
    std::int32_t FilesDone = 0;

    // Shows "Couldn't create the file ..." for tasks that report failures.
    MessageBoxFn MessageBox;
    // The self-extractor stub copied to the start of every self-extracting archive.
    std::string StubPath;
};

} // namespace korvel
