#pragma once
// The copy step: mirrors the selected files below their common root.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_report.h"
#include "platform/ui_hooks.h"

namespace korvel {

class TTask;

// Reads a millisecond tick count; tests pass a clock of their own.
using TickFn = std::function<std::uint32_t()>;

// Copies every file of `files` to `destDir` + the path below the first `rootLength`
// characters (as MirrorRelativePath spells it on this platform), creating
// directories as needed and keeping each file's modification time and permission
// bits. With the task's UpdateOnly, a file whose copy has the same modification
// time (at the two-second resolution of DOS times) is left alone. Nothing in the
// destination is ever deleted, except the temporaries of killed runs: a copy
// replaces its target only once complete, so a killed run leaves every target old
// or new, and the next run removes its temporaries from each directory it passes
// through. Progress goes to `progress` at most every 50 ms; when it returns true,
// `abort` is set and the copy ends at once. Files that could not be read or copied
// (special files among them) are counted in the returned report; the copy goes on
// with the others. A `destDir` without a trailing separator gets one.
TRunReport CopyBackup(const TTask& task, const std::vector<std::string>& files, int rootLength, bool& abort,
                      const ProgressFn& progress, const std::string& destDir, const TickFn& tick = {});

} // namespace korvel
