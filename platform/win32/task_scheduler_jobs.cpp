// The scheduler jobs on Task Scheduler 2.0: one task per job in the "Korvel" folder,
// named "Job <number>", registered from XML and read back from it. The XML holds one
// calendar trigger (weekly or monthly, every week or month, on the chosen days) and one
// program to start; its description holds the time it was added. While any job exists,
// the task "Catch-up" starts the boot command at every logon (a boot trigger would need
// an administrator).
#include "platform/scheduler_jobs.h"

#include "platform/win32/com.h"
#include "platform/win32/wide.h"

#include <oleauto.h>
#include <taskschd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace korvel {

namespace {

const CLSID kTaskSchedulerClass = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
const wchar_t kFolder[] = L"\\Korvel";
const char* const kWeekDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};
constexpr std::uint32_t kMaxJobs = 100000;

using win32::TComPtr;

class TBstr {
public:
    explicit TBstr(const std::wstring& text)
        : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    TBstr() = default;
    ~TBstr() { ::SysFreeString(b_); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    BSTR Get() const { return b_; }
    BSTR* Out() { return &b_; }
    std::string Utf8() const { return b_ ? win32::Narrow(b_, ::SysStringLen(b_)) : std::string(); }

private:
    BSTR b_ = nullptr;
};

// A connection to the local Task Scheduler service, for one call.
class TScheduler {
public:
    TScheduler() {
        if (FAILED(::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                      reinterpret_cast<void**>(service_.Out()))))
            return;
        VARIANT empty;
        ::VariantInit(&empty);
        connected_ = SUCCEEDED(service_->Connect(empty, empty, empty, empty));
    }
    TScheduler(const TScheduler&) = delete;
    TScheduler& operator=(const TScheduler&) = delete;

    bool Connected() const { return connected_; }

    // Our folder; created when `create` and missing.
    ITaskFolder* Folder(bool create) {
        if (folder_.Get() || !connected_)
            return folder_.Get();
        const TBstr path(kFolder);
        if (SUCCEEDED(service_->GetFolder(path.Get(), folder_.Out())) || !create)
            return folder_.Get();
        TComPtr<ITaskFolder> root;
        const TBstr rootPath(L"\\");
        if (FAILED(service_->GetFolder(rootPath.Get(), root.Out())))
            return nullptr;
        VARIANT sddl;
        ::VariantInit(&sddl);
        const TBstr name(L"Korvel");
        root->CreateFolder(name.Get(), sddl, folder_.Out());
        return folder_.Get();
    }

private:
    win32::TComScope com_{COINIT_MULTITHREADED};
    TComPtr<ITaskService> service_;
    TComPtr<ITaskFolder> folder_;
    bool connected_ = false;
};

std::wstring JobName(std::uint32_t jobId) {
    return L"Job " + std::to_wstring(jobId);
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string XmlUnescaped(std::string text) {
    const std::pair<const char*, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    for (const auto& [entity, c] : entities)
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::char_traits<char>::length(entity), 1, c);
    return text;
}

// The text of the first <tag>...</tag>; nothing when the tag is missing.
std::optional<std::string> Element(const std::string& xml, const std::string& tag) {
    const std::string open = "<" + tag + ">";
    const auto start = xml.find(open);
    if (start == std::string::npos)
        return std::nullopt;
    const auto end = xml.find("</" + tag + ">", start);
    if (end == std::string::npos)
        return std::nullopt;
    return xml.substr(start + open.size(), end - start - open.size());
}

// The command is the program (quoted when it holds blanks) and its arguments.
void SplitCommand(const std::string& command, std::string& program, std::string& arguments) {
    std::size_t end = 0;
    if (!command.empty() && command[0] == '"') {
        end = command.find('"', 1);
        program = command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? command.size() : end + 1;
    } else {
        end = command.find(' ');
        program = command.substr(0, end);
        end = end == std::string::npos ? command.size() : end;
    }
    arguments = end < command.size() ? command.substr(command.find_first_not_of(' ', end) == std::string::npos
                                                          ? command.size()
                                                          : command.find_first_not_of(' ', end))
                                     : std::string();
}

const wchar_t kCatchUpName[] = L"Catch-up";
const char kActivatedPrefix[] = "Activated ";

std::string ExecXml(const std::string& command) {
    std::string program, arguments;
    SplitCommand(command, program, arguments);
    return "<Actions><Exec><Command>" + XmlEscaped(program) + "</Command><Arguments>" + XmlEscaped(arguments) +
           "</Arguments></Exec></Actions>";
}

const char kSettingsXml[] = "<Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
                            "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
                            "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
                            "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Enabled>true</Enabled></Settings>";

std::string CatchUpXml(const std::string& command) {
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
           "<Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>" +
           std::string(kSettingsXml) + ExecXml(command) + "</Task>";
}

std::string TaskXml(const TAtInfo& info) {
    const unsigned seconds = info.JobTime / 1000;
    char start[32];
    std::snprintf(start, sizeof start, "2000-01-01T%02u:%02u:%02u", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    std::string schedule;
    if (info.DaysOfWeek != 0) {
        schedule = "<ScheduleByWeek><WeeksInterval>1</WeeksInterval><DaysOfWeek>";
        for (int day = 0; day < 7; ++day)
            if (info.DaysOfWeek & (1u << day))
                schedule += std::string("<") + kWeekDays[day] + "/>";
        schedule += "</DaysOfWeek></ScheduleByWeek>";
    } else {
        schedule = "<ScheduleByMonth><DaysOfMonth>";
        for (int day = 0; day < 31; ++day)
            if (info.DaysOfMonth & (1u << day))
                schedule += "<Day>" + std::to_string(day + 1) + "</Day>";
        schedule += "</DaysOfMonth><Months><January/><February/><March/><April/><May/><June/><July/><August/>"
                    "<September/><October/><November/><December/></Months></ScheduleByMonth>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
           "<RegistrationInfo><Description>" +
           std::string(kActivatedPrefix) + std::to_string(static_cast<long long>(std::time(nullptr))) +
           "</Description></RegistrationInfo>"
           "<Triggers><CalendarTrigger><StartBoundary>" +
           std::string(start) + "</StartBoundary><Enabled>true</Enabled>" + schedule +
           "</CalendarTrigger></Triggers>" +
           std::string(kSettingsXml) + ExecXml(info.Command) + "</Task>";
}

// Reads back what TaskXml wrote; false when the task was changed into something else.
bool ParseTaskXml(const std::string& xml, TAtInfo& info) {
    const auto start = Element(xml, "StartBoundary");
    const auto command = Element(xml, "Command");
    if (!start || !command || start->size() < 19)
        return false;
    unsigned h = 0, m = 0, s = 0;
    if (std::sscanf(start->c_str() + 11, "%2u:%2u:%2u", &h, &m, &s) != 3 || h > 23 || m > 59 || s > 59)
        return false;
    info = {};
    info.JobTime = (h * 3600 + m * 60 + s) * 1000;
    info.Flags = JOB_RUN_PERIODICALLY;
    if (const auto week = Element(xml, "DaysOfWeek")) {
        for (int day = 0; day < 7; ++day)
            if (week->find(std::string("<") + kWeekDays[day] + "/>") != std::string::npos ||
                week->find(std::string("<") + kWeekDays[day] + " />") != std::string::npos)
                info.DaysOfWeek |= static_cast<std::uint8_t>(1u << day);
    } else if (const auto month = Element(xml, "DaysOfMonth")) {
        for (std::size_t at = month->find("<Day>"); at != std::string::npos;
             at = month->find("<Day>", at + 1)) {
            const int day = std::atoi(month->c_str() + at + 5);
            if (day < 1 || day > 31)
                return false;
            info.DaysOfMonth |= 1u << (day - 1);
        }
    }
    if (info.DaysOfWeek == 0 && info.DaysOfMonth == 0)
        return false;
    const std::string program = XmlUnescaped(*command);
    const std::string arguments = XmlUnescaped(Element(xml, "Arguments").value_or(""));
    info.Command = QuoteJobArgument(program) + (arguments.empty() ? "" : " " + arguments);
    return true;
}


// The task's XML as the scheduler holds it; empty when it has no such task.
std::string RegisteredXml(ITaskFolder* folder, const std::wstring& taskName) {
    const TBstr name(taskName);
    TComPtr<IRegisteredTask> task;
    TBstr xml;
    if (FAILED(folder->GetTask(name.Get(), task.Out())) || FAILED(task->get_Xml(xml.Out())))
        return {};
    return xml.Utf8();
}

// Registers (or replaces) the logon task that starts `command`.
void RegisterCatchUp(ITaskFolder* folder, const std::string& command) {
    const TBstr name(kCatchUpName);
    const TBstr xml(win32::Widen(CatchUpXml(command)));
    VARIANT empty;
    ::VariantInit(&empty);
    TComPtr<IRegisteredTask> task;
    folder->RegisterTask(name.Get(), xml.Get(), TASK_CREATE_OR_UPDATE, empty, empty, TASK_LOGON_INTERACTIVE_TOKEN,
                         empty, task.Out());
}

// Removes the catch-up task when no job is left beside it.
void DropCatchUpWithoutJobs(ITaskFolder* folder) {
    TComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    if (FAILED(folder->GetTasks(TASK_ENUM_HIDDEN, tasks.Out())) || FAILED(tasks->get_Count(&count)))
        return;
    const TBstr name(kCatchUpName);
    TComPtr<IRegisteredTask> catchUp;
    const bool hasCatchUp = SUCCEEDED(folder->GetTask(name.Get(), catchUp.Out()));
    if (hasCatchUp && count == 1)
        folder->DeleteTask(name.Get(), 0);
}

} // namespace

std::string QuoteJobArgument(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t\"") == std::string::npos)
        return text;
    return "\"" + text + "\"";
}

TJobStatus ScheduleJobAdd(const TAtInfo& info, std::uint32_t& jobId, const std::string& bootCommand) {
    if ((info.DaysOfWeek == 0) == (info.DaysOfMonth == 0) || info.DaysOfWeek > 0x7F || info.Command.empty())
        return TJobStatus::Refused;
    TScheduler scheduler;
    if (!scheduler.Connected())
        return TJobStatus::NoScheduler;
    ITaskFolder* folder = scheduler.Folder(true);
    if (!folder)
        return TJobStatus::Refused;
    const TBstr xml(win32::Widen(TaskXml(info)));
    for (std::uint32_t id = 1; id < kMaxJobs; ++id) {
        const TBstr name(JobName(id));
        TComPtr<IRegisteredTask> existing;
        if (SUCCEEDED(folder->GetTask(name.Get(), existing.Out())))
            continue;
        VARIANT empty;
        ::VariantInit(&empty);
        TComPtr<IRegisteredTask> task;
        // TASK_CREATE never replaces: a number another process took meanwhile fails, and is skipped.
        const HRESULT hr = folder->RegisterTask(name.Get(), xml.Get(), TASK_CREATE, empty, empty,
                                                TASK_LOGON_INTERACTIVE_TOKEN, empty, task.Out());
        if (SUCCEEDED(hr)) {
            jobId = id;
            if (!bootCommand.empty())
                RegisterCatchUp(folder, bootCommand);
            return TJobStatus::Ok;
        }
        if (hr != HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS) && hr != HRESULT_FROM_WIN32(ERROR_FILE_EXISTS))
            return TJobStatus::Refused;
    }
    return TJobStatus::Refused;
}

TJobStatus ScheduleJobGetInfo(std::uint32_t jobId, TAtInfo& info) {
    TScheduler scheduler;
    if (!scheduler.Connected())
        return TJobStatus::NoScheduler;
    ITaskFolder* folder = scheduler.Folder(false);
    if (!folder)
        return TJobStatus::NoSuchJob;
    const TBstr name(JobName(jobId));
    TComPtr<IRegisteredTask> task;
    if (FAILED(folder->GetTask(name.Get(), task.Out())))
        return TJobStatus::NoSuchJob;
    TBstr xml;
    if (FAILED(task->get_Xml(xml.Out())) || !ParseTaskXml(xml.Utf8(), info))
        return TJobStatus::Unreadable;
    return TJobStatus::Ok;
}

TJobStatus ScheduleJobDel(std::uint32_t minJobId, std::uint32_t maxJobId) {
    TScheduler scheduler;
    if (!scheduler.Connected())
        return TJobStatus::NoScheduler;
    ITaskFolder* folder = scheduler.Folder(false);
    if (!folder)
        return TJobStatus::NoSuchJob;
    bool any = false;
    for (std::uint32_t id = minJobId; id <= maxJobId && id < kMaxJobs; ++id) {
        const TBstr name(JobName(id));
        any = SUCCEEDED(folder->DeleteTask(name.Get(), 0)) || any;
    }
    DropCatchUpWithoutJobs(folder);
    return any ? TJobStatus::Ok : TJobStatus::NoSuchJob;
}

std::optional<std::int64_t> ScheduleJobActivated(std::uint32_t jobId) {
    TScheduler scheduler;
    ITaskFolder* folder = scheduler.Connected() ? scheduler.Folder(false) : nullptr;
    if (!folder)
        return std::nullopt;
    const auto description = Element(RegisteredXml(folder, JobName(jobId)), "Description");
    if (!description || description->rfind(kActivatedPrefix, 0) != 0)
        return std::nullopt;
    char* end = nullptr;
    const long long seconds = std::strtoll(description->c_str() + sizeof kActivatedPrefix - 1, &end, 10);
    if (end == description->c_str() + sizeof kActivatedPrefix - 1 || *end != '\0' || seconds <= 0)
        return std::nullopt;
    return seconds;
}

bool SchedulerRunning() {
    TScheduler scheduler;
    return scheduler.Connected();
}

} // namespace korvel
