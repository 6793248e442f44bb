#pragma once
// Scheduled runs that did not happen: the machine was off, asleep, or cron was not
// running at a scheduled time. The times come from the jobs as the scheduler holds
// them now, so a job edited by hand counts as edited.
//
// Local time rules, as cron keeps them: a day without the job's day of the month
// (day 31 in a 30-day month) has no run; a time that a change to summer time skips
// is due at the moment of the change; a time that a change back to winter time
// repeats is due once, at its first occurrence.

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/scheduler_jobs.h"
#include "tasks/tasks_list.h"

namespace korvel {

// When the job is due on the local day year-month-day; nothing when it has no run that day.
std::optional<std::time_t> ScheduledTimeOn(const TAtInfo& job, int year, int month, int day);

// The newest scheduled time of `job` up to `now` when it was missed: it lies after the
// job's activation and no run is recorded at or after it. Several missed times give
// only the newest. Without a known activation, only times after the last recorded run
// count (and none when nothing was ever recorded).
std::optional<std::time_t> LastMissedTime(const TAtInfo& job, std::optional<std::time_t> activated,
                                          std::optional<std::time_t> lastRun, std::time_t now);

// A task's activated job, with what is known about its runs.
struct TScheduledTask {
    int TaskIndex = -1;
    std::uint32_t JobId = 0;
    TAtInfo Job;
    std::optional<std::time_t> Activated;
    std::optional<std::time_t> LastRun; // the newest run of the task in the history
};

// The jobs of the task list's activated schedules that the scheduler still holds and
// that start a task of the list ("/t" and its id).
std::vector<TScheduledTask> ReadScheduledTasks(const TTasksList& tasks);

// Missed times the user chose not to catch up, by task id: they count as handled
// until a newer time is missed. Kept beside the stores in "skipped-runs.txt".
class TSkippedRuns {
public:
    explicit TSkippedRuns(std::string storeDir);
    void Load();
    // False when the file could not be written.
    bool Save() const;
    std::optional<std::time_t> For(std::int32_t taskId) const;
    void Skip(std::int32_t taskId, std::time_t time);

private:
    std::string path_;
    std::map<std::int32_t, std::time_t> times_;
};

struct TMissedRun {
    int TaskIndex = -1;
    std::time_t Time = 0; // the newest scheduled time that was missed
};

// The tasks whose newest scheduled time up to `now` was missed and not skipped, once
// each, in the list's order.
std::vector<TMissedRun> FindMissedRuns(const std::vector<TScheduledTask>& scheduled, const TTasksList& tasks,
                                       const TSkippedRuns& skipped, std::time_t now);

// Since when a scheduled task has had no recorded run (its last run, or its
// activation when it never ran), when that is longer than twice its schedule's
// period (a day, a week, a month) before `now`.
std::optional<std::time_t> StaleSince(const TScheduledTask& task, std::time_t now);

} // namespace korvel
