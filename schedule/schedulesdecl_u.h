#pragma once
// Scheduling: tasks handed to the system's scheduler as jobs, and the list of those jobs.

#include "platform/scheduler_jobs.h"
#include "schedule/missed_runs.h"
#include "schedule/schedule_task.h"
#include "tasks/schedules_list.h"
