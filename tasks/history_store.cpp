// history.bin: the run entries (oldest first), then the scheduler jobs.

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/codepage.h"
#include "platform/directory_lock.h"
#include "tasks/store_text.h"
#include "tasks/tasks_list.h"

namespace korvel {

namespace {

constexpr std::size_t kMinHistoryEntrySize = 4 + 4 + 8;
constexpr std::size_t kMinJobEntrySize = 4 + 4;

// Reads what it can; false when the data is damaged.
template <typename Contents> bool ParseHistory(const std::string& data, Contents& c) {
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
        e.TaskName = ReadStoreString(in);
        e.TaskId = in.ReadInt32();
        e.RunTime = in.ReadDateTime();
        if (in.Overrun()) {
            damaged = true;
            break;
        }
        c.Runs.push_back(std::move(e));
    }

    if (!damaged) {
        const std::int32_t jobs = in.ReadInt32();
        if (jobs < 0 || static_cast<std::size_t>(jobs) > in.Remaining() / kMinJobEntrySize) {
            damaged = true;
        } else {
            for (std::int32_t i = 0; i < jobs; ++i) {
                TScheduleEntry job;
                job.TaskName = ReadStoreString(in);
                job.JobId = in.ReadUInt32();
                if (in.Overrun()) {
                    damaged = true;
                    break;
                }
                c.Schedules.push_back(std::move(job));
            }
        }
        damaged = damaged || in.Overrun();
    }
    return !damaged;
}

// The entries of `now` that `before` did not hold, each counted as often as it occurs.
template <typename T> std::vector<T> AddedSince(const std::vector<T>& before, std::vector<T> now) {
    for (const T& old : before) {
        const auto it = std::find(now.begin(), now.end(), old);
        if (it != now.end())
            now.erase(it);
    }
    return now;
}

// A run's name is a label of the past, and history.bin is written at every close without
// a question: refusing the save would lose the runs. A character the code page cannot
// store becomes "?", here as on disk, so that the next save's merge still recognises the
// entry; the original names are returned for the report.
template <typename Contents> std::vector<std::string> ToStorableNames(Contents& c) {
    std::vector<std::string> changed;
    const auto fix = [&changed](std::string& name) {
        const TStoreText stored = ToStoreText(name);
        if (!stored.Lossless) {
            changed.push_back(name);
            name = AnsiToUtf8(stored.Bytes);
        }
    };
    for (auto& run : c.Runs)
        fix(run.TaskName);
    for (auto& job : c.Schedules)
        fix(job.TaskName);
    return changed;
}

} // namespace

bool TTasksList::LoadHistory() {
    const std::string path = HistoryPath();
    std::string data;
    bool failed = false;
    if (!ReadStore(path, data, failed)) {
        if (!failed) {
            storedHistory_ = {};
            historyRead_ = true;
        }
        return !failed;
    }

    THistoryContents c;
    const bool damaged = !ParseHistory(data, c);
    HistoryCount = static_cast<std::int32_t>(c.Runs.size());
    std::copy(c.Runs.begin(), c.Runs.end(), History.begin());
    Schedules.Items = c.Schedules;
    storedHistory_ = std::move(c);
    historyRead_ = true;

    HistoryModified = false;
    if (damaged) {
        ReportError("The history file \"" + path + "\" is damaged. " + std::to_string(HistoryCount) +
                    " run(s) and " + std::to_string(Schedules.Count()) + " scheduled job(s) could be read.");
        return false;
    }
    return true;
}

TTasksList::THistoryContents TTasksList::MergedHistory(const THistoryContents& onDisk) const {
    // This list's own state wins for everything it read: what it cleared stays cleared.
    THistoryContents merged;
    merged.Runs.assign(History.begin(), History.begin() + HistoryCount);
    std::vector<THistoryEntry> others = AddedSince(storedHistory_.Runs, onDisk.Runs);
    if (!others.empty()) {
        // Runs that other instances recorded meanwhile go in by time. A time that is
        // not a number (a damaged store) counts as the oldest, so the order stays total.
        for (THistoryEntry& run : others)
            merged.Runs.push_back(std::move(run));
        const auto key = [](const THistoryEntry& e) {
            return std::isnan(e.RunTime) ? -std::numeric_limits<double>::infinity() : e.RunTime;
        };
        std::stable_sort(merged.Runs.begin(), merged.Runs.end(),
                         [&key](const THistoryEntry& a, const THistoryEntry& b) { return key(a) < key(b); });
    }
    if (merged.Runs.size() > static_cast<std::size_t>(kMaxHistory))
        merged.Runs.erase(merged.Runs.begin(), merged.Runs.end() - kMaxHistory);

    merged.Schedules = Schedules.Items;
    for (TScheduleEntry& job : AddedSince(storedHistory_.Schedules, onDisk.Schedules))
        merged.Schedules.push_back(std::move(job));
    return merged;
}

bool TTasksList::SaveHistory() {
    const TDirectoryLock lock(storeDir_);

    THistoryContents onDisk;
    std::string data, error;
    if (historyRead_ && ReadWholeFile(HistoryPath(), data, error) == ReadResult::Ok)
        ParseHistory(data, onDisk); // a damaged store gives what could be read
    THistoryContents merged = MergedHistory(onDisk);
    const std::vector<std::string> changed = ToStorableNames(merged);

    std::string out;
    WriteInt32(out, static_cast<std::int32_t>(merged.Runs.size()));
    for (const THistoryEntry& e : merged.Runs) {
        WriteStoreString(out, e.TaskName);
        WriteInt32(out, e.TaskId);
        WriteDateTime(out, e.RunTime);
    }
    WriteInt32(out, static_cast<std::int32_t>(merged.Schedules.size()));
    for (const auto& job : merged.Schedules) {
        WriteStoreString(out, job.TaskName);
        WriteUInt32(out, job.JobId);
    }
    try {
        SaveFileAtomically(HistoryPath(), out, 0600, StoreWrite);
    } catch (const std::system_error& e) {
        ReportError(e.what());
        return false;
    }
    HistoryCount = static_cast<std::int32_t>(merged.Runs.size());
    std::copy(merged.Runs.begin(), merged.Runs.end(), History.begin());
    Schedules.Items = merged.Schedules;
    storedHistory_ = merged;
    historyRead_ = true;
    HistoryModified = false;
    if (!changed.empty()) {
        std::string names;
        for (const std::string& name : changed)
            names += (names.empty() ? "\"" : ", \"") + name + "\"";
        ReportError("Characters that code page " + std::to_string(AnsiCodePage()) +
                    " cannot store were saved as \"?\" in the history: " + names + ".");
    }
    return true;
}

} // namespace korvel
