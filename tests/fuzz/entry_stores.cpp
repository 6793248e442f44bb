// The three store loaders on arbitrary bytes. A loader may complain about a damaged
// store, but what it kept must save again, and that store must load without
// complaint and save to the very same bytes.

#include <string>

#include "fuzz_entries.h"
#include "scratch_dir.h"
#include "tasks/tasks_u.h"

namespace korvel::fuzz {

namespace {

const TScratchDir& StoreScratch() {
    static const TScratchDir dir("stores");
    return dir;
}

// Loads the store, saves it, loads and saves again; the two saves must agree.
template <class Load, class Save>
std::string RoundTrip(const char* file, const std::uint8_t* data, std::size_t size, Load load, Save save) {
    const TScratchDir& dir = StoreScratch();
    dir.Clear();
    dir.Write(file, data, size);
    std::string complaint;
    try {
        TTasksList first(dir.Path());
        first.OnStoreError = [&complaint](const std::string& m) { complaint = m; };
        (void)(first.*load)();
        complaint.clear();
        if (!(first.*save)())
            return std::string("saving what was loaded failed: ") + complaint;
        const std::string once = dir.Read(file);

        TTasksList second(dir.Path());
        second.OnStoreError = [&complaint](const std::string& m) { complaint = m; };
        if (!(second.*load)())
            return std::string("a store this program wrote does not load: ") + complaint;
        if (!(second.*save)())
            return std::string("saving again failed: ") + complaint;
        if (dir.Read(file) != once)
            return "loading and saving a store this program wrote changed it";
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    return {};
}

} // namespace

std::string TasksStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    return RoundTrip("tasks.bin", data, size, &TTasksList::LoadTasks, &TTasksList::SaveTasks);
}

std::string HistoryStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    return RoundTrip("history.bin", data, size, &TTasksList::LoadHistory, &TTasksList::SaveHistory);
}

std::string OptionsStoreEntry(const std::uint8_t* data, std::size_t size, const TEntryOptions&) {
    const TScratchDir& dir = StoreScratch();
    dir.Clear();
    dir.Write("options.bin", data, size);
    try {
        const TOptionsData options = LoadOptions(dir.Path());
        // Missing bytes read as zero, so only a leading non-zero byte is Russian.
        const bool russian = size > 0 && data[0] != 0;
        if (options.Language != russian)
            return "the language read does not follow the first byte";
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    return {};
}

} // namespace korvel::fuzz
