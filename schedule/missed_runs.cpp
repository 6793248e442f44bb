#include "schedule/missed_runs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/atomic_file.h"
#include "platform/date_time.h"

namespace korvel {

namespace {

using namespace std::chrono;

// Local wall-clock minutes, comparable across days.
long long WallKey(int year, int month, int day, int hour, int minute) {
    const auto days = sys_days(std::chrono::year(year) / month / day).time_since_epoch().count();
    return (static_cast<long long>(days) * 1440) + (static_cast<long long>(hour) * 60) + minute;
}

long long WallKeyAt(std::time_t t) {
    const std::tm tm = LocalTm(t);
    return WallKey(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
}

bool RunsOn(const TAtInfo& job, year_month_day date) {
    const unsigned dom = static_cast<unsigned>(date.day());
    const unsigned isoDay = weekday(sys_days(date)).iso_encoding(); // 1 = Monday
    return (job.DaysOfMonth & (1u << (dom - 1))) != 0 || (job.DaysOfWeek & (1u << (isoDay - 1))) != 0;
}

} // namespace

std::optional<std::time_t> ScheduledTimeOn(const TAtInfo& job, int year, int month, int day) {
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || !RunsOn(job, date))
        return std::nullopt;
    const int minutes = static_cast<int>(job.JobTime / 60000);
    const int hour = minutes / 60 % 24, minute = minutes % 60;
    const long long wanted = WallKey(year, month, day, hour, minute);

    // Standard and summer time both tried: a repeated time has two, a skipped one none.
    std::optional<std::time_t> first;
    std::time_t any = 0;
    for (const int dst : {0, 1}) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_isdst = dst;
        const std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1))
            continue;
        any = t;
        if (WallKeyAt(t) == wanted && (!first || t < *first))
            first = t;
    }
    if (first)
        return first;
    if (any == 0)
        return std::nullopt;
    // Skipped by the clock change: due at the first moment whose wall clock has passed it.
    constexpr std::time_t kSixHours = 6 * std::time_t{3600};
    std::time_t lo = any - kSixHours, hi = any + kSixHours;
    if (WallKeyAt(lo) >= wanted || WallKeyAt(hi) < wanted)
        return std::nullopt;
    while (hi - lo > 1) {
        const std::time_t mid = lo + (hi - lo) / 2;
        (WallKeyAt(mid) >= wanted ? hi : lo) = mid;
    }
    return hi;
}

std::optional<std::time_t> LastMissedTime(const TAtInfo& job, std::optional<std::time_t> activated,
                                          std::optional<std::time_t> lastRun, std::time_t now) {
    const std::optional<std::time_t> since = activated ? activated : lastRun;
    if (!since)
        return std::nullopt;
    const std::tm today = LocalTm(now);
    sys_days day = sys_days(year_month_day{std::chrono::year(today.tm_year + 1900),
                                           std::chrono::month(static_cast<unsigned>(today.tm_mon + 1)),
                                           std::chrono::day(static_cast<unsigned>(today.tm_mday))});
    // Newest first; a job due on some day runs at least every two months (day 31).
    for (int back = 0; back < 400; ++back, day -= days(1)) {
        const year_month_day date(day);
        const auto due =
            ScheduledTimeOn(job, static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                            static_cast<int>(unsigned(date.day())));
        if (!due || *due > now)
            continue;
        if (*due <= *since || (lastRun && *lastRun >= *due))
            return std::nullopt;
        return due;
    }
    return std::nullopt;
}

std::vector<TScheduledTask> ReadScheduledTasks(const TTasksList& tasks) {
    std::vector<TScheduledTask> result;
    for (const TScheduleEntry& entry : tasks.Schedules.Items) {
        TScheduledTask s;
        s.JobId = entry.JobId;
        if (ScheduleJobGetInfo(entry.JobId, s.Job) != TJobStatus::Ok)
            continue;
        // The task is the one the command starts: "/t" and its id at the end.
        std::string_view command = s.Job.Command;
        while (!command.empty() && (command.back() == ' ' || command.back() == '\t'))
            command.remove_suffix(1);
        const std::size_t at = command.rfind(" /t ");
        if (at == std::string_view::npos)
            continue;
        std::int32_t id = 0;
        std::istringstream digits{std::string(command.substr(at + 4))};
        if (!(digits >> id) || !digits.eof())
            continue;
        for (int i = 0; i < tasks.Count(); ++i) {
            if (tasks.Item(i).TaskId == id) {
                s.TaskIndex = i;
                break;
            }
        }
        if (s.TaskIndex < 0)
            continue;
        if (const auto activated = ScheduleJobActivated(entry.JobId))
            s.Activated = static_cast<std::time_t>(*activated);
        for (int k = 0; k < tasks.HistoryCount; ++k) {
            const THistoryEntry& run = tasks.History[static_cast<std::size_t>(k)];
            if (run.TaskId != id || !std::isfinite(run.RunTime))
                continue;
            const std::time_t t = system_clock::to_time_t(ToSystemClock(run.RunTime));
            if (!s.LastRun || t > *s.LastRun)
                s.LastRun = t;
        }
        result.push_back(std::move(s));
    }
    return result;
}

TSkippedRuns::TSkippedRuns(std::string storeDir) : path_(std::move(storeDir) + "skipped-runs.txt") {}

void TSkippedRuns::Load() {
    times_.clear();
    std::ifstream in(path_);
    std::int32_t id = 0;
    long long time = 0;
    while (in >> id >> time)
        times_[id] = static_cast<std::time_t>(time);
}

bool TSkippedRuns::Save() const {
    std::ostringstream out;
    for (const auto& [id, time] : times_)
        out << id << ' ' << static_cast<long long>(time) << '\n';
    try {
        SaveFileAtomically(path_, out.str());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::time_t> TSkippedRuns::For(std::int32_t taskId) const {
    const auto it = times_.find(taskId);
    if (it == times_.end())
        return std::nullopt;
    return it->second;
}

void TSkippedRuns::Skip(std::int32_t taskId, std::time_t time) {
    times_[taskId] = time;
}

std::vector<TMissedRun> FindMissedRuns(const std::vector<TScheduledTask>& scheduled, const TTasksList& tasks,
                                       const TSkippedRuns& skipped, std::time_t now) {
    std::vector<TMissedRun> missed;
    for (const TScheduledTask& s : scheduled) {
        // A skipped time counts as a run for what came before it.
        std::optional<std::time_t> handled = s.LastRun;
        if (const auto skip = skipped.For(tasks.Item(s.TaskIndex).TaskId);
            skip && (!handled || *skip > *handled))
            handled = skip;
        const auto time = LastMissedTime(s.Job, s.Activated, handled, now);
        if (!time)
            continue;
        // A task activated twice still runs once, for its newest missed time.
        const auto same = std::find_if(missed.begin(), missed.end(),
                                       [&](const TMissedRun& m) { return m.TaskIndex == s.TaskIndex; });
        if (same == missed.end())
            missed.push_back({s.TaskIndex, *time});
        else
            same->Time = std::max(same->Time, *time);
    }
    std::sort(missed.begin(), missed.end(),
              [](const TMissedRun& a, const TMissedRun& b) { return a.TaskIndex < b.TaskIndex; });
    return missed;
}

std::optional<std::time_t> StaleSince(const TScheduledTask& task, std::time_t now) {
    const std::optional<std::time_t> since = task.LastRun ? task.LastRun : task.Activated;
    if (!since)
        return std::nullopt;
    constexpr std::time_t kDay = 24 * std::time_t{3600};
    const std::time_t period = task.Job.DaysOfMonth != 0     ? 31 * kDay
                               : task.Job.DaysOfWeek == 0x7F ? kDay
                                                             : 7 * kDay;
    if (now - *since <= 2 * period)
        return std::nullopt;
    return since;
}

} // namespace korvel
