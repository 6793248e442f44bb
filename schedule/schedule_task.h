#pragma once
// A task's schedule handed to the system's scheduler as a job that starts this
// program with "/t" and the task's id.

#include <cstdint>
#include <string>

#include "platform/scheduler_jobs.h"
#include "tasks/schedules_list.h"
#include "tasks/task.h"

namespace korvel {

// The job's command: the program, "/t" and the task's id.
std::string JobCommand(const std::string& programPath, std::int32_t taskId);

// The job record for `task`: days and time from the task that owns its schedule
// settings, the id from the task itself.
TAtInfo BuildJobRecord(const TTask& task, const std::string& programPath);

struct TScheduleResult {
    TJobStatus Status = TJobStatus::Refused;
    std::uint32_t JobId = 0;
    bool SchedulerRunning = false; // whether the job will fire without anything else started
    bool Success() const { return Status == TJobStatus::Ok; }
};

// Submits the task's job. Nothing is recorded here: the caller adds it to its Schedules.
TScheduleResult ScheduleTask(const TTask& task, const std::string& programPath);

// Deletes every listed job that still exists; the list itself is left as it is.
void DeleteJobs(const TSchedulesList& schedules);

} // namespace korvel
