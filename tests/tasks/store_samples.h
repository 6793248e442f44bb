#pragma once
// Task lists and histories with some substance, for the tests that save them under duress.

#include <string>

#include "tasks/tasks_u.h"

// Adds `count` tasks named after `tag`, every one after the first a child of the first.
inline void FillTasks(korvel::TTasksList& list, int count, const std::string& tag) {
    for (int i = 0; i < count; ++i) {
        auto t = std::make_unique<korvel::TTask>();
        t->TaskName = tag + " task " + std::to_string(i);
        t->SourceDirs = {"/home/user/documents/" + tag + "/", "/srv/shared/projects/"};
        t->UseIndFilters = i % 2 == 1;
        t->Filters[0] = {"*.doc", "~*"};
        t->DestDir = "/mnt/backup/" + tag + "/";
        t->ProtectArchivePassword = "password " + std::to_string(i);
        // A fixed start time: the default is ten minutes from now, and a save repeated
        // across a minute boundary would store other bytes.
        t->StartTime = korvel::EncodeDateTime({2026, 3, 14, 9, 30, 0, 0}) + 1e-10;
        korvel::TTask& added = list.Add(std::move(t));
        if (i > 0)
            added.Parent = &list.Item(0);
    }
}

// Adds a task, `runs` runs (the last 100 of them kept) of it and `jobs` scheduler jobs, all named after
// `tag`.
inline void FillHistory(korvel::TTasksList& list, int runs, int jobs, const std::string& tag) {
    korvel::TTask& t = list.Add(std::make_unique<korvel::TTask>());
    for (int i = 0; i < runs; ++i) {
        t.TaskName = tag + " run " + std::to_string(i);
        list.AddToHistory(list.Count() - 1);
        // A fixed time, so that two lists filled alike save alike.
        list.History[static_cast<std::size_t>(list.HistoryCount - 1)].RunTime = 45000.5 + i;
    }
    for (int i = 0; i < jobs; ++i)
        list.Schedules.AddSchedule(tag + " job", static_cast<std::uint32_t>(1000 + i));
}
