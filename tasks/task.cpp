#include "tasks/task.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {

// Ten minutes from now on a whole minute. The tiny extra fraction keeps the value
// from formatting as the minute before after a round trip through floating point.
TDateTime DefaultStartTime() {
    TDateParts p = DecodeDateTime(Now() + 10.0 / (24 * 60));
    p.Second = 0;
    p.Millisecond = 0;
    return EncodeDateTime(p) + 1e-10;
}

} // namespace

TTask::TTask() : StartTime(DefaultStartTime()) {
    Filters[0] = {"*", ""};
}

int TTask::FilterPairCount() const {
    if (!UseIndFilters)
        return 1;
    return std::min(static_cast<int>(SourceDirs.size()), kMaxFilterPairs);
}

void TTask::Assign(const TTask& source) {
    TaskName = source.TaskName;
    SourceDirs = source.SourceDirs;
    IncludeSubDirs = source.IncludeSubDirs;
    UseIndFilters = source.UseIndFilters;
    const int pairs = source.FilterPairCount();
    std::copy_n(source.Filters.begin(), pairs, Filters.begin());
    ExcludeSomeSubDirs = source.ExcludeSomeSubDirs;
    ExcludeSubDirs = source.ExcludeSubDirs;
    DestDir = source.DestDir;
    ShowUnableToBackup = source.ShowUnableToBackup;
    Compress = source.Compress;
    ZipFileName = source.ZipFileName;
    CompressLevel = source.CompressLevel;
    Sfx = source.Sfx;
    UpdateOnly = source.UpdateOnly;
    DeleteOldFiles = source.DeleteOldFiles;
    DeleteOldFilesCount = source.DeleteOldFilesCount;
    ProtectArchive = source.ProtectArchive;
    ProtectArchivePassword = source.ProtectArchivePassword;
    UseSchedule = source.UseSchedule;
    PerformTask = source.PerformTask;
    StartTime = source.StartTime;
    Reserved1 = source.Reserved1;
    ScheduleWeekDays = source.ScheduleWeekDays;
    ScheduleMonthDays = source.ScheduleMonthDays;
    Processed = source.Processed;
    Reserved2 = source.Reserved2;
    TaskId = source.TaskId;
}

const TTask& EffectiveTask(const TTask& task, bool TTask::*flag) {
    const TTask* t = &task;
    // A stored list may hold a parent cycle; the walk must still end.
    for (int steps = 0; t->Parent && t->*flag && steps < 1000000; ++steps)
        t = t->Parent;
    return *t;
}

} // namespace korvel
