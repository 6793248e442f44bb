#pragma once
// How the history window tells the user what the scheduler holds for a job.

#include <QString>

#include "platform/date_time.h"
#include "platform/scheduler_jobs.h"

namespace korvel {

// "every day", "every Mon, Fri" or "on day 1, etc of every month", in the current
// interface language, with the locale's abbreviated day names.
QString JobDescription(const TAtInfo& info);

// The job's time of day as "hh:nn", a blank, and its description.
QString JobRunTime(const TAtInfo& info);

// A run's date as "mm/dd/yyyy    hh:nn".
QString HistoryRunTime(TDateTime value);

} // namespace korvel
