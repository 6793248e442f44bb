// history.bin: the run entries (oldest first), then the scheduler jobs.

#include <algorithm>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "tasks/tasks_list.h"

namespace korvel {

namespace {

constexpr std::size_t kMinHistoryEntrySize = 4 + 4 + 8;
constexpr std::size_t kMinJobEntrySize = 4 + 4;

} // namespace

bool TTasksList::LoadHistory() {
    const std::string path = HistoryPath();
    std::string data;
    bool failed = false;
    if (!ReadStore(path, data, failed))
        return !failed;

    HistoryCount = 0;
    Schedules.ClearSchedules();
    ByteReader in(data);

    const std::int32_t count = in.ReadInt32();
    // This program never writes more than 100 runs; a larger count means damage.
    bool damaged = count < 0 || count > kMaxHistory ||
                   static_cast<std::size_t>(count) > in.Remaining() / kMinHistoryEntrySize;
    const int readable = count < 0
                             ? 0
                             : static_cast<int>(std::min<std::size_t>(
                                   {static_cast<std::size_t>(count), static_cast<std::size_t>(kMaxHistory),
                                    in.Remaining() / kMinHistoryEntrySize}));
    for (int i = 0; i < readable; ++i) {
        THistoryEntry e;
        e.TaskName = in.ReadString();
        e.TaskId = in.ReadInt32();
        e.RunTime = in.ReadDateTime();
        if (in.Overrun()) {
            damaged = true;
            break;
        }
        History[static_cast<std::size_t>(HistoryCount++)] = std::move(e);
    }

    if (!damaged) {
        const std::int32_t jobs = in.ReadInt32();
        if (jobs < 0 || static_cast<std::size_t>(jobs) > in.Remaining() / kMinJobEntrySize) {
            damaged = true;
        } else {
            for (std::int32_t i = 0; i < jobs; ++i) {
                std::string name = in.ReadString();
                const std::uint32_t id = in.ReadUInt32();
                if (in.Overrun()) {
                    damaged = true;
                    break;
                }
                Schedules.AddSchedule(name, id);
            }
        }
        damaged = damaged || in.Overrun();
    }

    HistoryModified = false;
    if (damaged) {
        ReportError("The history file \"" + path + "\" is damaged. " + std::to_string(HistoryCount) +
                    " run(s) and " + std::to_string(Schedules.Count()) + " scheduled job(s) could be read.");
        return false;
    }
    return true;
}

bool TTasksList::SaveHistory() {
    std::string out;
    WriteInt32(out, HistoryCount);
    for (int i = 0; i < HistoryCount; ++i) {
        const THistoryEntry& e = History[static_cast<std::size_t>(i)];
        WriteString(out, e.TaskName);
        WriteInt32(out, e.TaskId);
        WriteDateTime(out, e.RunTime);
    }
    WriteInt32(out, Schedules.Count());
    for (const auto& job : Schedules.Items) {
        WriteString(out, job.TaskName);
        WriteUInt32(out, job.JobId);
    }
    try {
        SaveFileAtomically(HistoryPath(), out, 0600, StoreWrite);
    } catch (const std::system_error& e) {
        ReportError(e.what());
        return false;
    }
    HistoryModified = false;
    return true;
}

} // namespace korvel
