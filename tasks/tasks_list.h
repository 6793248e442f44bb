#pragma once
// The one list of tasks, with the run history and the submitted scheduler jobs.

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/date_time.h"
#include "tasks/schedules_list.h"
#include "tasks/task.h"

namespace korvel {

struct THistoryEntry {
    std::string TaskName;
    std::int32_t TaskId = 0;
    TDateTime RunTime = 0;
    // The same record when stored as the same bytes: a damaged time that is not a
    // number still equals itself, so merging never doubles it.
    bool operator==(const THistoryEntry& o) const {
        return TaskName == o.TaskName && TaskId == o.TaskId &&
               std::bit_cast<std::uint64_t>(RunTime) == std::bit_cast<std::uint64_t>(o.RunTime);
    }
};

constexpr int kMaxHistory = 100;

class TTasksList {
public:
    // The stores live in `storeDir` (with its trailing separator); the program passes
    // the executable's directory.
    explicit TTasksList(std::string storeDir);

    int Count() const { return static_cast<int>(Items.size()); }
    TTask& Item(int index) { return *Items.at(static_cast<std::size_t>(index)); }
    const TTask& Item(int index) const { return *Items.at(static_cast<std::size_t>(index)); }

    void Clear();
    TTask& Add(std::unique_ptr<TTask> task); // hands out the next TaskId
    void Delete(int index);                  // children of the deleted task become top-level
    int IndexOf(const TTask* task) const;
    void Exchange(int i, int j);
    void AddToHistory(int index);

    // The stores. Loading replaces what the list holds; a missing file is an empty store.
    // Failures are reported through OnStoreError with the system's text; the load
    // functions return false then, the save functions leave the modified flags set.
    bool LoadTasks();
    bool SaveTasks();
    bool LoadHistory();
    // Other processes (scheduled runs) write history.bin too: the save takes turns with
    // them, and keeps the runs and jobs they added since this list read the store
    // (newest 100 runs, in time order). Entries this list dropped stay dropped.
    bool SaveHistory();

    std::string TasksPath() const { return storeDir_ + "tasks.bin"; }
    std::string HistoryPath() const { return storeDir_ + "history.bin"; }
    const std::string& StoreDir() const { return storeDir_; }

    std::vector<std::unique_ptr<TTask>> Items;
    std::int32_t LastTaskId = 0;
    bool Modified = false;
    std::int32_t HistoryCount = 0;
    std::array<THistoryEntry, kMaxHistory> History;
    TSchedulesList Schedules;
    bool HistoryModified = false;

    std::function<void(const std::string& message)> OnStoreError;
    // The writes of SaveTasks and SaveHistory go through this when it is set, so that
    // tests can make the disk fail after any number of bytes.
    WriteFn StoreWrite;

private:
    void ReserveFor(std::size_t count);
    void ReportError(const std::string& message) const;
    // Reads a store after removing what an interrupted save left behind. False when
    // there is nothing to load: a missing file, or (`failed`) one that could not be
    // read, which has been reported.
    bool ReadStore(const std::string& path, std::string& data, bool& failed) const;

    // history.bin as this list last read or wrote it: what other processes added
    // since then is what differs on disk now.
    struct THistoryContents {
        std::vector<THistoryEntry> Runs;
        std::vector<TScheduleEntry> Schedules;
    };
    THistoryContents storedHistory_;
    bool historyRead_ = false; // a list that never read the store replaces it
    THistoryContents MergedHistory(const THistoryContents& onDisk) const;

    std::string storeDir_;
};

} // namespace korvel
