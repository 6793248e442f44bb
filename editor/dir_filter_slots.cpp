#include "editor/dir_filter_slots.h"

#include <algorithm>

namespace korvel {

void TDirFilterSlots::Load(const TTask& task, int count) {
    for (int i = 0; i < std::min(count, kMaxFilterPairs); ++i)
        slots_[static_cast<std::size_t>(i)] = task.Filters[static_cast<std::size_t>(i)];
    shown_ = -1;
}

void TDirFilterSlots::Select(int selected, int lines, TFilterPair& edits) {
    if (shown_ >= 0 && shown_ < lines && shown_ < kMaxFilterPairs)
        slots_[static_cast<std::size_t>(shown_)] = edits;
    if (selected == shown_)
        return;
    edits = selected >= 0 && selected < kMaxFilterPairs ? slots_[static_cast<std::size_t>(selected)]
                                                        : TFilterPair{};
    shown_ = selected;
}

void TDirFilterSlots::StartAll(const TFilterPair& edits, int lines, int selected) {
    std::fill_n(slots_.begin(), std::clamp(lines, 0, kMaxFilterPairs), edits);
    shown_ = selected;
}

void TDirFilterSlots::Added(int index) {
    if (index >= 0 && index < kMaxFilterPairs)
        slots_[static_cast<std::size_t>(index)] = TFilterPair{"*", ""};
}

void TDirFilterSlots::Deleted(int index, int lines) {
    const int end = std::min(lines, kMaxFilterPairs);
    if (index >= 0 && index < end)
        std::rotate(slots_.begin() + index, slots_.begin() + index + 1, slots_.begin() + end);
    shown_ = -1;
}

} // namespace korvel
