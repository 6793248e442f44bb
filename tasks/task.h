#pragma once
// One backup task: what to copy, where to, how, and when.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace korvel {

struct TFilterPair {
    std::string IncludeFilter;
    std::string ExcludeFilter;
    bool operator==(const TFilterPair&) const = default;
};

constexpr int kMaxFilterPairs = 100;

class TTask {
public:
    TTask(); // a task with every default of a new task

    // Copies every setting except the tree links, the four parent-settings flags,
    // AskZipFileName and RunZipFileName. Only the filter pairs in use by the source
    // are copied; the others keep their values.
    void Assign(const TTask& source);

    // Number of filter pairs in use: one per source directory with individual
    // filters (at most the 100 the record holds), otherwise one for all.
    int FilterPairCount() const;

    // 0 plain copy, 1 zip archive, 2 self-extracting archive.
    int CompressType() const { return !Compress ? 0 : (Sfx ? 2 : 1); }
    void SetCompressType(int type) {
        Compress = type != 0;
        Sfx = type == 2;
    }

    TTask* Parent = nullptr;
    std::int32_t ParentIndex = 0; // valid only right after loading or saving
    bool SourceParentSettings = false;
    bool DestParentSettings = false;
    bool CompressParentSettings = false;
    bool ScheduleParentSettings = false;
    std::string TaskName;
    std::vector<std::string> SourceDirs;
    bool IncludeSubDirs = false;
    bool UseIndFilters = false;
    std::array<TFilterPair, kMaxFilterPairs> Filters;
    bool ExcludeSomeSubDirs = false;
    std::vector<std::string> ExcludeSubDirs;
    std::string DestDir;
    bool ShowUnableToBackup = true;
    bool Compress = true;
    std::string ZipFileName = "mybackup_%yyyy_%mm_%dd.zip";
    bool AskZipFileName = false; // not stored
    std::int32_t CompressLevel = 9;
    bool Sfx = false;
    bool UpdateOnly = false;
    bool DeleteOldFiles = false;
    std::int32_t DeleteOldFilesCount = 10;
    bool ProtectArchive = false;
    std::string ProtectArchivePassword;
    bool UseSchedule = false;
    std::int32_t PerformTask = 1; // 1 daily, 2 days of the week, 3 days of the month
    TDateTime StartTime = 0;
    std::int32_t Reserved1 = 1;
    std::array<bool, 7> ScheduleWeekDays{};   // Monday first
    std::array<bool, 31> ScheduleMonthDays{}; // day 1 first
    std::int32_t Processed = 0;
    std::int32_t Reserved2 = 0;
    std::int32_t TaskId = 0;
    std::string RunZipFileName; // archive path of the current run; not stored
    // Old archives that the rotation chose for deletion; deleted only once this run's
    // archive was written successfully. Not stored.
    std::vector<std::string> RunObsoleteArchives;
};

// The task reached by walking up the parent chain while the task's own `flag` is set.
const TTask& EffectiveTask(const TTask& task, bool TTask::*flag);

} // namespace korvel
