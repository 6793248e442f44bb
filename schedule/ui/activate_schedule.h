#pragma once
// "Activate schedule": the selected task's schedule handed to the scheduler and
// remembered in the task list, with a message either way.

#include <string>

#include "platform/ui_hooks.h"
#include "tasks/tasks_list.h"

namespace korvel {

// `programPath` is the program the job starts (this executable).
void ActivateSchedule(TTasksList& tasks, int taskIndex, const std::string& programPath,
                      const MessageBoxFn& messageBox);

} // namespace korvel
