#pragma once
// The scheduler jobs this program has submitted, remembered so they can be listed and deleted.

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

struct TScheduleEntry {
    std::uint32_t JobId = 0;
    std::string TaskName; // the task's name when the job was added
    bool operator==(const TScheduleEntry&) const = default;
};

class TSchedulesList {
public:
    void AddSchedule(const std::string& taskName, std::uint32_t jobId) { Items.push_back({jobId, taskName}); }
    void ClearSchedules() { Items.clear(); }
    int Count() const { return static_cast<int>(Items.size()); }

    std::vector<TScheduleEntry> Items;
};

} // namespace korvel
