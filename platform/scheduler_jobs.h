#pragma once
// The system's job scheduler: jobs that start a command at a time of day on
// chosen days, added, read back and deleted by job number.

#include <cstdint>
#include <optional>
#include <string>

namespace korvel {

constexpr std::uint8_t JOB_RUN_PERIODICALLY = 1;

// One job as the scheduler holds it.
struct TAtInfo {
    std::uint32_t JobTime = 0;     // milliseconds after midnight
    std::uint32_t DaysOfMonth = 0; // bit i = day i + 1
    std::uint8_t DaysOfWeek = 0;   // bit 0 = Monday ... bit 6 = Sunday
    std::uint8_t Flags = 0;
    std::string Command;
    bool operator==(const TAtInfo&) const = default;
};

enum class TJobStatus {
    Ok,
    NoSuchJob,
    Unreadable,  // the job exists, but its schedule cannot be read back (edited by hand)
    Refused,     // the record cannot be expressed, or the scheduler rejected the change
    NoScheduler, // the scheduler's tools are not installed
};

// Adds a job that starts `info.Command` periodically; `jobId` receives its number.
// Days are either DaysOfMonth or DaysOfWeek; a record with neither is refused.
// A non-empty `bootCommand` is started at every boot while any job exists (it is
// deleted with the last job); the newest add decides it.
TJobStatus ScheduleJobAdd(const TAtInfo& info, std::uint32_t& jobId, const std::string& bootCommand = {});

// When the job was added (seconds since 1970), as the scheduler remembers it;
// nothing for a job it does not have or one added without that record.
std::optional<std::int64_t> ScheduleJobActivated(std::uint32_t jobId);

// The job with that number, as the scheduler holds it now.
TJobStatus ScheduleJobGetInfo(std::uint32_t jobId, TAtInfo& info);

// Deletes the jobs numbered minJobId to maxJobId.
TJobStatus ScheduleJobDel(std::uint32_t minJobId, std::uint32_t maxJobId);

// One word of a job's command, quoted for the scheduler (its shell and its own
// special characters).
std::string QuoteJobArgument(const std::string& text);

// True when the service that starts the jobs is running now; a job added while it
// is not runs only once it is started.
bool SchedulerRunning();

} // namespace korvel
