#include "schedule/schedule_task.h"

namespace korvel {

std::string JobCommand(const std::string& programPath, std::int32_t taskId) {
    // Quoted: a path with blanks would otherwise start another program.
    return QuoteJobArgument(programPath) + " /t " + std::to_string(taskId);
}

TAtInfo BuildJobRecord(const TTask& task, const std::string& programPath) {
    const TTask& e = EffectiveTask(task, &TTask::ScheduleParentSettings);
    const TDateParts t = DecodeDateTime(e.StartTime);
    TAtInfo info;
    info.JobTime = static_cast<std::uint32_t>(t.Hour * 3600000 + t.Minute * 60000 + t.Second * 1000);
    switch (e.PerformTask) {
    case 1:
        info.DaysOfWeek = 0x7F;
        break;
    case 2:
        for (int i = 0; i < 7; ++i) {
            if (e.ScheduleWeekDays[static_cast<std::size_t>(i)])
                info.DaysOfWeek |= static_cast<std::uint8_t>(1u << i);
        }
        break;
    case 3:
        for (int i = 0; i < 31; ++i) {
            if (e.ScheduleMonthDays[static_cast<std::size_t>(i)])
                info.DaysOfMonth |= 1u << i;
        }
        break;
    default:
        break; // no days: the scheduler refuses it
    }
    info.Flags = JOB_RUN_PERIODICALLY;
    info.Command = JobCommand(programPath, task.TaskId);
    return info;
}

TScheduleResult ScheduleTask(const TTask& task, const std::string& programPath) {
    TScheduleResult result;
    // A machine that was off at a scheduled time catches up at the next boot.
    result.Status = ScheduleJobAdd(BuildJobRecord(task, programPath), result.JobId,
                                   QuoteJobArgument(programPath) + " /catchup");
    result.SchedulerRunning = SchedulerRunning();
    return result;
}

void DeleteJobs(const TSchedulesList& schedules) {
    for (const TScheduleEntry& entry : schedules.Items) {
        TAtInfo info;
        const TJobStatus status = ScheduleJobGetInfo(entry.JobId, info);
        // An entry edited by hand beyond what can be read back is still ours to delete.
        if (status == TJobStatus::Ok || status == TJobStatus::Unreadable)
            ScheduleJobDel(entry.JobId, entry.JobId);
    }
}

} // namespace korvel
