#include "tasks/tasks_list.h"

#include "platform/atomic_file.h"
#include "platform/directory_lock.h"

#include <utility>

namespace korvel {

TTasksList::TTasksList(std::string storeDir) : storeDir_(std::move(storeDir)) {}

void TTasksList::ReserveFor(std::size_t count) {
    std::size_t capacity = Items.capacity();
    while (capacity < count)
        capacity = capacity * 5 + 50;
    Items.reserve(capacity);
}

void TTasksList::ReportError(const std::string& message) const {
    if (OnStoreError)
        OnStoreError(message);
}

bool TTasksList::ReadStore(const std::string& path, std::string& data, bool& failed) const {
    // What looks stale may be the save of another process in progress: saves hold
    // the same lock.
    const TDirectoryLock lock(storeDir_);
    RemoveStaleTemporaries(path);
    std::string error;
    switch (ReadWholeFile(path, data, error)) {
    case ReadResult::Ok:
        return true;
    case ReadResult::Failed:
        ReportError(error);
        failed = true;
        return false;
    case ReadResult::Missing:
        break;
    }
    return false;
}

void TTasksList::Clear() {
    Items.clear();
    Modified = true;
}

TTask& TTasksList::Add(std::unique_ptr<TTask> task) {
    ReserveFor(Items.size() + 1);
    ++LastTaskId;
    task->TaskId = LastTaskId;
    Items.push_back(std::move(task));
    Modified = true;
    return *Items.back();
}

void TTasksList::Delete(int index) {
    const TTask* doomed = Items.at(static_cast<std::size_t>(index)).get();
    for (auto& t : Items)
        if (t->Parent == doomed)
            t->Parent = nullptr;
    Items.erase(Items.begin() + index);
    Modified = true;
}

int TTasksList::IndexOf(const TTask* task) const {
    if (!task)
        return -1;
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (Items[i].get() == task)
            return static_cast<int>(i);
    return -1;
}

void TTasksList::Exchange(int i, int j) {
    std::swap(Items.at(static_cast<std::size_t>(i)), Items.at(static_cast<std::size_t>(j)));
    Modified = true;
}

void TTasksList::AddToHistory(int index) {
    const TTask& task = Item(index);
    if (HistoryCount < kMaxHistory) {
        ++HistoryCount;
    } else {
        for (int k = 1; k < kMaxHistory; ++k)
            History[k - 1] = std::move(History[k]);
    }
    History[HistoryCount - 1] = {task.TaskName, task.TaskId, Now()};
    HistoryModified = true;
}

} // namespace korvel
