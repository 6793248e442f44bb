#pragma once
// The command-line modes: "/t" followed by task ids runs those tasks and ends;
// "/catchup" runs the scheduled tasks whose last scheduled run was missed and ends.

#include <string>
#include <vector>

#include "tasks/int_array.h"
#include "tasks/tasks_list.h"

namespace korvel {

// True when the first argument (after the program name) is "/t" in any letter case.
bool IsTaskRunStart(const std::vector<std::string>& args);

// True when the first argument is "/catchup" in any letter case.
bool IsCatchUpStart(const std::vector<std::string>& args);

// Maps the ids after "/t" to task indices in the given order: the first task with
// that id, unknown ids and arguments that are not decimal integers skipped, an id
// given twice run twice.
TIntArray CollectTaskIndices(const std::vector<std::string>& args, const TTasksList& tasks);

} // namespace korvel
