#pragma once
// The task model and its stores.

#include "tasks/int_array.h"
#include "tasks/options.h"
#include "tasks/schedules_list.h"
#include "tasks/task.h"
#include "tasks/tasks_list.h"
