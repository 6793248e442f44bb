// tasks.bin: the task count, the task records in list order, then LastTaskId.

#include <algorithm>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/directory_lock.h"
#include "tasks/store_format.h"
#include "tasks/store_text.h"
#include "tasks/tasks_list.h"

namespace korvel {

bool TTasksList::LoadTasks() {
    Items.clear();
    Modified = false;
    const std::string path = TasksPath();
    std::string data;
    bool failed = false;
    if (!ReadStore(path, data, failed))
        return !failed;

    ByteReader in(data);
    const std::int32_t count = in.ReadInt32();
    // The format has no checksum; a count that cannot fit in the file is the surest sign of damage.
    bool damaged = count < 0 || static_cast<std::size_t>(count) > in.Remaining() / kMinTaskRecordSize;
    const std::size_t readable =
        count < 0 ? 0 : std::min(static_cast<std::size_t>(count), in.Remaining() / kMinTaskRecordSize);
    ReserveFor(readable);
    for (std::size_t i = 0; i < readable; ++i) {
        auto task = std::make_unique<TTask>();
        if (!ReadTaskRecord(in, *task)) {
            damaged = true;
            break;
        }
        Items.push_back(std::move(task));
    }
    if (!damaged) {
        LastTaskId = in.ReadInt32();
        damaged = in.Overrun();
    }

    for (auto& task : Items) {
        const std::int32_t p = task->ParentIndex;
        const bool valid = p >= 0 && p < Count() && Items[static_cast<std::size_t>(p)].get() != task.get();
        task->Parent = valid ? Items[static_cast<std::size_t>(p)].get() : nullptr;
    }

    if (damaged) {
        // Keep what could be read, never hand out an id again, and keep the damaged file aside
        // so that the next save cannot destroy the only copy of the user's tasks.
        for (const auto& task : Items)
            LastTaskId = std::max(LastTaskId, task->TaskId);
        const std::string keep = path + ".damaged";
        const bool kept = CopyFileContents(path, keep);
        ReportError("The task file \"" + path + "\" is damaged. " + std::to_string(Count()) +
                    " task(s) could be read." +
                    (kept ? " The damaged file was kept as \"" + keep + "\"." : std::string()));
        return false;
    }
    return true;
}

bool TTasksList::SaveTasks() {
    std::string out;
    WriteInt32(out, Count());
    for (auto& task : Items) {
        task->ParentIndex = IndexOf(task->Parent);
        try {
            WriteTaskRecord(out, *task);
        } catch (const EUnstorableText& e) {
            // Stored with "?" the text would come back as another path, filter or password:
            // the file keeps its last good content and the list stays modified instead.
            const std::string what = e.Text() == task->ProtectArchivePassword
                                         ? std::string("its archive password")
                                         : "\"" + e.Text() + "\"";
            ReportError("The tasks were not saved: the task \"" + task->TaskName +
                        "\" holds characters that code page " + std::to_string(AnsiCodePage()) +
                        " cannot store, in " + what + ".");
            return false;
        }
    }
    WriteInt32(out, LastTaskId);
    try {
        const TDirectoryLock lock(storeDir_); // a load meanwhile would take our temporary for stale
        SaveFileAtomically(TasksPath(), out, 0600, StoreWrite);
    } catch (const std::system_error& e) {
        ReportError(e.what());
        return false;
    }
    Modified = false;
    return true;
}

} // namespace korvel
