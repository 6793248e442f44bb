// Jobs as entries of the user's crontab, one line each, recognisable by the marker
// "# korvel job N" at its end; the variable KORVEL_ACTIVATED=<seconds since 1970> in
// front of its command says when it was added, so that runs missed since then can
// be found. While at least one job exists, one more marked entry starts the program's
// catch-up at boot. Every other line of the crontab is left as it is.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/posix/child_process.h"
#include "platform/scheduler_jobs.h"

namespace korvel {

namespace {

constexpr std::string_view kMarker = " # korvel job ";
constexpr std::string_view kActivated = " KORVEL_ACTIVATED=";
constexpr std::string_view kBootMarker = " # korvel catch-up";

// The variables that let a run started by cron show its windows on the desktop of
// the session that scheduled it, in that session's language, with the stores that
// session uses (an installed program keeps them under $XDG_CONFIG_HOME).
constexpr const char* kSessionVariables[] = {
    "DISPLAY", "XAUTHORITY",     "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS",
    "LANG",    "XDG_CONFIG_HOME"};

struct Crontab {
    std::vector<std::string> Lines;
    bool EndsWithNewline = true;
};

// Ok with the user's crontab; NoScheduler without the crontab program; Refused when it
// cannot be read.
TJobStatus ReadCrontab(Crontab& tab) {
    const TChildResult r = RunChild({"crontab", "-l"});
    if (!r.Started)
        return TJobStatus::NoScheduler;
    tab = {};
    if (r.ExitStatus != 0) {
        // A user who never had a crontab: an empty one.
        return r.Err.find("no crontab") != std::string::npos ? TJobStatus::Ok : TJobStatus::Refused;
    }
    std::string_view text = r.Out;
    if (text.empty())
        return TJobStatus::Ok;
    tab.EndsWithNewline = text.back() == '\n';
    if (tab.EndsWithNewline)
        text.remove_suffix(1);
    std::size_t start = 0;
    while (true) {
        const std::size_t nl = text.find('\n', start);
        tab.Lines.emplace_back(text.substr(start, nl == std::string_view::npos ? text.npos : nl - start));
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    return TJobStatus::Ok;
}

TJobStatus WriteCrontab(const Crontab& tab) {
    if (tab.Lines.empty()) {
        // Leave a user who had no crontab before without one.
        const TChildResult r = RunChild({"crontab", "-r"});
        if (!r.Started)
            return TJobStatus::NoScheduler;
        return TJobStatus::Ok;
    }
    std::string text;
    for (std::size_t i = 0; i < tab.Lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += tab.Lines[i];
    }
    if (tab.EndsWithNewline)
        text += '\n';
    const TChildResult r = RunChild({"crontab", "-"}, text);
    if (!r.Started)
        return TJobStatus::NoScheduler;
    return r.ExitStatus == 0 ? TJobStatus::Ok : TJobStatus::Refused;
}

// The job number in a line's marker.
std::optional<std::uint32_t> JobIdOf(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::size_t at = line.rfind(kMarker);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = line.substr(at + kMarker.size());
    std::uint32_t id = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return id;
}

bool IsBootEntry(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    return line.ends_with(kBootMarker);
}

// Quoted for the shell that cron starts; cron itself turns an unescaped "%" into a line break.
std::string CronQuote(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else if (c == '%')
            out += "\\%";
        else
            out += c;
    }
    return out + "'";
}

std::string JoinNumbers(const std::vector<int>& numbers) {
    std::string out;
    for (const int n : numbers) {
        if (!out.empty())
            out += ',';
        out += std::to_string(n);
    }
    return out;
}

// ---- reading an entry back ----

std::vector<std::string_view> SplitFields(std::string_view line, int count, std::string_view& rest) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
    };
    for (int i = 0; i < count; ++i) {
        skipBlanks();
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
            ++pos;
        if (start == pos)
            break;
        fields.push_back(line.substr(start, pos - start));
    }
    skipBlanks();
    rest = line.substr(pos);
    return fields;
}

std::optional<int> ParseValue(std::string_view text, const char* const* names) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc{} && end == text.data() + text.size())
        return value;
    if (names && text.size() == 3) {
        for (int i = 0; names[i]; ++i) {
            const std::string_view name = names[i];
            if (std::equal(text.begin(), text.end(), name.begin(),
                           [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
                return i;
        }
    }
    return std::nullopt;
}

// The values a field allows, as bits (bit v = value v); nothing when it is malformed.
std::optional<std::uint64_t> ParseField(std::string_view field, int lo, int hi,
                                        const char* const* names = nullptr) {
    std::uint64_t bits = 0;
    while (true) {
        const std::size_t comma = field.find(',');
        std::string_view item = field.substr(0, comma);
        int step = 1;
        if (const std::size_t slash = item.find('/'); slash != std::string_view::npos) {
            const auto s = ParseValue(item.substr(slash + 1), nullptr);
            if (!s || *s < 1)
                return std::nullopt;
            step = *s;
            item = item.substr(0, slash);
        }
        int from = lo, to = hi;
        if (item != "*") {
            const std::size_t dash = item.find('-');
            const auto a = ParseValue(item.substr(0, dash), names);
            const auto b = dash == std::string_view::npos ? a : ParseValue(item.substr(dash + 1), names);
            if (!a || !b || *a < lo || *b > hi || *a > *b)
                return std::nullopt;
            from = *a;
            to = (step > 1 && dash == std::string_view::npos) ? hi : *b;
        }
        for (int v = from; v <= to; v += step)
            bits |= std::uint64_t{1} << v;
        if (comma == std::string_view::npos)
            return bits;
        field = field.substr(comma + 1);
    }
}

std::optional<int> SingleValue(std::uint64_t bits) {
    if (bits == 0 || (bits & (bits - 1)) != 0)
        return std::nullopt;
    int v = 0;
    while (!(bits & (std::uint64_t{1} << v)))
        ++v;
    return v;
}

constexpr const char* kDayNames[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat", "sun", nullptr};

TJobStatus ParseEntry(std::string_view line, TAtInfo& info) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    std::string_view rest;
    std::string expanded;
    if (!line.empty() && line.front() == '@') {
        const std::size_t end = line.find_first_of(" \t");
        const std::string_view word = line.substr(0, end);
        const char* schedule = word == "@daily" || word == "@midnight" ? "0 0 * * *"
                               : word == "@weekly"                     ? "0 0 * * 0"
                               : word == "@monthly"                    ? "0 0 1 * *"
                                                                       : nullptr;
        if (!schedule)
            return TJobStatus::Unreadable;
        expanded = std::string(schedule) + std::string(line.substr(end == line.npos ? line.size() : end));
        line = expanded;
    }
    const auto fields = SplitFields(line, 5, rest);
    if (fields.size() != 5)
        return TJobStatus::Unreadable;
    const auto minute = ParseField(fields[0], 0, 59);
    const auto hour = ParseField(fields[1], 0, 23);
    const auto dom = ParseField(fields[2], 1, 31);
    const auto month = ParseField(fields[3], 1, 12);
    const auto dow = ParseField(fields[4], 0, 7, kDayNames);
    if (!minute || !hour || !dom || !month || !dow)
        return TJobStatus::Unreadable;
    const auto m = SingleValue(*minute), h = SingleValue(*hour);
    constexpr std::uint64_t kAllMonths = 0x1FFEu;
    if (!m || !h || *month != kAllMonths)
        return TJobStatus::Unreadable;

    std::uint32_t monthDays = 0;
    for (int d = 1; d <= 31; ++d) {
        if (*dom & (std::uint64_t{1} << d))
            monthDays |= 1u << (d - 1);
    }
    std::uint8_t weekDays = 0;
    for (int c = 0; c <= 7; ++c) {
        if (*dow & (std::uint64_t{1} << c))
            weekDays |= static_cast<std::uint8_t>(1u << ((c + 6) % 7));
    }
    const bool allMonthDays = monthDays == 0x7FFFFFFFu;
    const bool allWeekDays = weekDays == 0x7F;
    info = {};
    info.JobTime = static_cast<std::uint32_t>(*h * 3600000 + *m * 60000);
    info.Flags = JOB_RUN_PERIODICALLY;
    if (allMonthDays && allWeekDays) {
        info.DaysOfWeek = 0x7F;
    } else if (allWeekDays) {
        info.DaysOfMonth = monthDays;
    } else if (allMonthDays) {
        info.DaysOfWeek = weekDays;
    } else {
        // cron starts such an entry on either kind of day, unless one of the two
        // fields starts with "*": then only on days that match both.
        if (fields[2].front() == '*' || fields[4].front() == '*')
            return TJobStatus::Unreadable;
        info.DaysOfMonth = monthDays;
        info.DaysOfWeek = weekDays;
    }
    const std::size_t marker = rest.rfind(kMarker);
    info.Command = std::string(rest.substr(0, marker));
    return TJobStatus::Ok;
}

} // namespace

std::string QuoteJobArgument(const std::string& text) {
    return CronQuote(text);
}

TJobStatus ScheduleJobAdd(const TAtInfo& info, std::uint32_t& jobId, const std::string& bootCommand) {
    if ((info.DaysOfMonth == 0 && info.DaysOfWeek == 0) || info.JobTime >= 24u * 3600000u ||
        (info.DaysOfMonth >> 31) != 0 || (info.DaysOfWeek & 0x80) != 0 ||
        info.Command.find_first_of("\r\n") != std::string::npos || info.Command.empty() ||
        bootCommand.find_first_of("\r\n") != std::string::npos)
        return TJobStatus::Refused;

    Crontab tab;
    if (const TJobStatus read = ReadCrontab(tab); read != TJobStatus::Ok)
        return read;

    std::uint32_t lastId = 0;
    for (const std::string& line : tab.Lines)
        lastId = std::max(lastId, JobIdOf(line).value_or(0));
    if (lastId == UINT32_MAX)
        return TJobStatus::Refused;
    const std::uint32_t id = lastId + 1;

    std::string dom = "*", dow = "*";
    if (info.DaysOfMonth != 0) {
        std::vector<int> days;
        for (int i = 0; i < 31; ++i) {
            if (info.DaysOfMonth & (1u << i))
                days.push_back(i + 1);
        }
        dom = JoinNumbers(days);
    }
    if (info.DaysOfWeek != 0 && info.DaysOfWeek != 0x7F) {
        std::vector<int> days;
        for (int i = 0; i < 7; ++i) {
            if (info.DaysOfWeek & (1u << i))
                days.push_back((i + 1) % 7);
        }
        std::sort(days.begin(), days.end());
        dow = JoinNumbers(days);
    }
    const std::uint32_t minutes = info.JobTime / 60000; // cron has no seconds
    std::string line =
        std::to_string(minutes % 60) + " " + std::to_string(minutes / 60) + " " + dom + " * " + dow;
    line += std::string(kActivated) + std::to_string(std::time(nullptr));
    for (const char* name : kSessionVariables) {
        const char* value = std::getenv(name);
        if (value && *value && std::string_view(value).find_first_of("\r\n") == std::string_view::npos)
            line += std::string(" ") + name + "=" + CronQuote(value);
    }
    line += " " + info.Command + std::string(kMarker) + std::to_string(id);

    tab.Lines.push_back(std::move(line));
    if (!bootCommand.empty()) {
        // One boot entry, starting the program that added the newest job.
        std::erase_if(tab.Lines, [](const std::string& l) { return IsBootEntry(l); });
        std::string boot = "@reboot";
        if (const char* lang = std::getenv("LANG");
            lang && *lang && std::string_view(lang).find_first_of("\r\n") == std::string_view::npos)
            boot += std::string(" LANG=") + CronQuote(lang);
        tab.Lines.push_back(boot + " " + bootCommand + std::string(kBootMarker));
    }
    tab.EndsWithNewline = true;
    const TJobStatus written = WriteCrontab(tab);
    if (written == TJobStatus::Ok)
        jobId = id;
    return written;
}

TJobStatus ScheduleJobGetInfo(std::uint32_t jobId, TAtInfo& info) {
    Crontab tab;
    if (const TJobStatus read = ReadCrontab(tab); read != TJobStatus::Ok)
        return read;
    for (const std::string& line : tab.Lines) {
        if (JobIdOf(line) == jobId) {
            const std::string_view trimmed = line;
            if (trimmed.find_first_not_of(" \t") != std::string_view::npos &&
                trimmed[trimmed.find_first_not_of(" \t")] == '#')
                continue; // commented out by hand: cron no longer runs it
            return ParseEntry(line, info);
        }
    }
    return TJobStatus::NoSuchJob;
}

TJobStatus ScheduleJobDel(std::uint32_t minJobId, std::uint32_t maxJobId) {
    Crontab tab;
    if (const TJobStatus read = ReadCrontab(tab); read != TJobStatus::Ok)
        return read;
    const auto before = tab.Lines.size();
    std::erase_if(tab.Lines, [&](const std::string& line) {
        const auto id = JobIdOf(line);
        return id && *id >= minJobId && *id <= maxJobId;
    });
    if (tab.Lines.size() == before)
        return TJobStatus::NoSuchJob;
    // The catch-up at boot goes with the last job.
    if (std::none_of(tab.Lines.begin(), tab.Lines.end(), [](const std::string& l) { return JobIdOf(l); }))
        std::erase_if(tab.Lines, [](const std::string& l) { return IsBootEntry(l); });
    return WriteCrontab(tab);
}

std::optional<std::int64_t> ScheduleJobActivated(std::uint32_t jobId) {
    Crontab tab;
    if (ReadCrontab(tab) != TJobStatus::Ok)
        return std::nullopt;
    for (const std::string& line : tab.Lines) {
        if (JobIdOf(line) != jobId)
            continue;
        const std::size_t at = line.find(kActivated);
        if (at == std::string::npos)
            return std::nullopt;
        const char* digits = line.data() + at + kActivated.size();
        std::int64_t seconds = 0;
        const auto [end, ec] = std::from_chars(digits, line.data() + line.size(), seconds);
        if (ec != std::errc{} || end == digits || (*end != ' ' && *end != '\t'))
            return std::nullopt;
        return seconds;
    }
    return std::nullopt;
}

bool SchedulerRunning() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        std::getline(comm, command);
        if (command == "cron" || command == "crond")
            return true;
    }
    return false;
}

} // namespace korvel
