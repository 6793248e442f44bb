#pragma once
// Running one task: its archive name, validation, file selection, exclusions, the
// common root, the target directory, and the copy or archive step.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/archive_name.h"
#include "engine/run_report.h"
#include "platform/ui_hooks.h"

namespace korvel {

class TTask;

// A task that cannot start; the message is meant for the user as it is.
class ETaskError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows a modal input box; returns the text entered, or nothing when cancelled.
using InputBoxFn = std::function<std::optional<std::string>(
    const std::string& title, const std::string& prompt, const std::string& initial)>;

// The archive step: writes the archive of `files` (their common root is the first
// `rootLength` characters) at `target`. Sets `abort` when the user stopped it, and
// adds to `report` the files it had to leave out. Returns true when the archive was
// written completely; only then does the run remove the archives that rotation chose.
using ArchiveStepFn =
    std::function<bool(TTask& task, const std::vector<std::string>& files, int rootLength, bool& abort,
                       const ProgressFn& progress, const std::string& target, TRunReport& report)>;

// How the engine reaches the user interface and the archive writer. Every member
// may be empty: no box is shown (an input box counts as cancelled), no archive is
// written.
struct TRunHooks {
    MessageBoxFn MessageBox;
    InputBoxFn InputBox;
    ArchiveStepFn ArchiveStep;
};

// Works out RunZipFileName from the task's pattern, records the archives that
// rotation will remove in RunObsoleteArchives (removed only after a successful
// run), and with AskZipFileName lets the user change the file name. Throws
// EArchiveNameError for an invalid pattern. `date` defaults to today.
void PrepareArchiveName(TTask& task, const TRunHooks& hooks, std::optional<TCalendarDate> date = {});

// Runs the task: throws ETaskError when it has no source or no destination
// directory, EMaskException for a malformed filter; everything else is handled
// here. A destination directory that cannot be created is reported (when the task
// has ShowUnableToBackup) and ends the run. `abort` is set when the user stopped
// it. Files that could not be backed up are reported after the run in one message
// box (when the task has ShowUnableToBackup) and returned.
//
// With individual filters and more source directories than the task has filter
// pairs, the directories beyond them use pair 0.
TRunReport RunTask(TTask& task, bool& abort, const ProgressFn& progress, const TRunHooks& hooks);

// The files of the task's sources, as the run selects them: every source directory
// of the task that owns the source settings with its filter pair, duplicates kept,
// then the files below the excluded subdirectories removed (whole paths compared
// without regard to ASCII case).
std::vector<std::string> SelectTaskFiles(const TTask& task);

} // namespace korvel
