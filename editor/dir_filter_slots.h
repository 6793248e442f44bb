#pragma once
// The working copy of the per-directory filter pairs while the editor is open:
// slot i belongs to line i of the source-directory list, and the two filter edits
// show the slot of one line at a time.

#include <array>

#include "tasks/task.h"

namespace korvel {

class TDirFilterSlots {
public:
    using Slots = std::array<TFilterPair, kMaxFilterPairs>;

    // Slots 0 .. count-1 from the task's pairs; nothing shown.
    void Load(const TTask& task, int count);

    // A click on a line (or none, -1): the edits go back into the slot shown and the
    // selected line's slot comes into them. `lines` is the number of list lines.
    void Select(int selected, int lines, TFilterPair& edits);

    // Individual filters switched on: every line starts from the pair in the edits.
    void StartAll(const TFilterPair& edits, int lines, int selected);

    // A line appended at `index` starts with the include-everything pair.
    void Added(int index);

    // Line `index` of `lines` removed: the following slots move up with their lines.
    void Deleted(int index, int lines);

    // The list was emptied or refilled: no slot is shown.
    void ShowNone() { shown_ = -1; }

    int Shown() const { return shown_; }
    const TFilterPair& Slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }

private:
    Slots slots_{};
    int shown_ = -1;
};

} // namespace korvel
