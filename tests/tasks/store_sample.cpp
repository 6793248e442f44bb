// store_sample write DIR: writes tasks.bin, history.bin and options.bin for a fixed table
// of tasks, runs and jobs.
// store_sample check DIR [WRITER_CODE_PAGE]: loads the three stores from DIR and compares
// them field by field with the same table, printing every difference; exits 1 on any.
// Each platform stores its texts in its own ANSI code page (1251 on a Russian Windows,
// UTF-8 on POSIX): when the stores come from a writer with another page, its texts are
// converted from that page before they are compared.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win32/wide.h"
#else
#include <iconv.h>
#endif

#include "platform/codepage.h"
#include "tasks/tasks_u.h"

using namespace korvel;

namespace {

// "Фото", "Документы", "Пароль": the Cyrillic of the samples.
const std::string kPhoto = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";
const std::string kDocuments = "\xD0\x94\xD0\xBE\xD0\xBA\xD1\x83\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82\xD1\x8B";
const std::string kPassword = "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";

TTasksList SampleList(const std::string& dir) {
    TTasksList list(dir);

    // Every flag set against its default, every text kind, individual filters.
    auto a = std::make_unique<TTask>();
    a->SourceParentSettings = a->DestParentSettings = true;
    a->TaskName = kPhoto + " 2026";
    a->SourceDirs = {"C:\\Users\\" + kDocuments + "\\", "D:\\" + kPhoto + "\\", "\\\\server\\share\\"};
    a->IncludeSubDirs = true;
    a->UseIndFilters = true;
    a->Filters[0] = {"*.doc;*.txt", "~*"};
    a->Filters[1] = {"*.jpg;" + kPhoto + "*", ""};
    a->Filters[2] = {"*", "*.tmp;*.bak"};
    a->ExcludeSomeSubDirs = true;
    a->ExcludeSubDirs = {"C:\\Users\\" + kDocuments + "\\old\\", "D:\\tmp\\"};
    a->DestDir = "E:\\backup\\" + kPhoto + "\\";
    a->ShowUnableToBackup = false;
    a->Compress = true;
    a->Sfx = true;
    a->ZipFileName = kPhoto + "_%yyyy_%mm_%dd_%nnnn.exe";
    a->CompressLevel = 0;
    a->UpdateOnly = a->DeleteOldFiles = true;
    a->DeleteOldFilesCount = 2147483647;
    a->ProtectArchive = true;
    a->ProtectArchivePassword = kPassword + " \"q\" 1";
    a->UseSchedule = true;
    a->PerformTask = 2;
    a->StartTime = EncodeDateTime({2026, 12, 31, 23, 59, 0, 0}) + 1e-10;
    a->Reserved1 = -1;
    a->ScheduleWeekDays = {true, false, true, false, true, false, true};
    a->Processed = 12345;
    a->Reserved2 = -2147483647 - 1;
    list.Add(std::move(a));

    // Empty texts and lists, one shared filter pair, a long name; a child of the first.
    auto b = std::make_unique<TTask>();
    b->CompressParentSettings = b->ScheduleParentSettings = true;
    b->TaskName = std::string(3000, 'n') + kPhoto;
    b->Filters[0] = {"", ""};
    b->DestDir = "";
    b->Compress = false;
    b->ZipFileName = "";
    b->CompressLevel = 9;
    b->PerformTask = 3;
    b->StartTime = 0;
    b->ScheduleMonthDays[0] = b->ScheduleMonthDays[14] = b->ScheduleMonthDays[30] = true;
    TTask& added = list.Add(std::move(b));
    added.Parent = &list.Item(0);

    // The defaults of a new task, each compression level and the daily schedule.
    for (int level = 1; level <= 9; level += 4) {
        auto t = std::make_unique<TTask>();
        t->TaskName = "Task " + std::to_string(level);
        t->SourceDirs = {"/home/user/" + kDocuments + "/"};
        t->CompressLevel = level;
        t->PerformTask = 1;
        t->StartTime = 46000.25 + level;
        list.Add(std::move(t)).Parent = &list.Item(1);
    }
    list.LastTaskId = 77;

    for (int i = 0; i < 5; ++i) {
        list.History[static_cast<std::size_t>(i)] = {i % 2 ? kPhoto + " " + std::to_string(i) : std::string(),
                                                     i + 1, 45000.5 + i * 1.125};
    }
    list.HistoryCount = 5;
    list.Schedules.AddSchedule(kPhoto, 1);
    list.Schedules.AddSchedule(kPhoto, 4294967295u);
    list.Schedules.AddSchedule("", 0);
    return list;
}

TOptionsData SampleOptions() {
    TOptionsData options;
    options.Language = false; // not the default: it must come from the file
    options.LanguageChosen = true;
    return options;
}

// Texts as a writer with code page `page` stored them, read here, back to UTF-8.
class TTextFromWriter {
public:
    explicit TTextFromWriter(int page) : page_(page) {}

    std::optional<std::string> operator()(const std::string& loaded) const {
        if (page_ == AnsiCodePage())
            return loaded;
        const auto bytes = Utf8ToAnsi(loaded); // what the file held
        if (!bytes)
            return std::nullopt;
        return Decode(*bytes);
    }

private:
    std::optional<std::string> Decode(const std::string& bytes) const {
        if (page_ == 65001 || bytes.empty())
            return bytes;
#ifdef _WIN32
        const int size = static_cast<int>(bytes.size());
        const int n = ::MultiByteToWideChar(static_cast<UINT>(page_), MB_ERR_INVALID_CHARS, bytes.data(),
                                            size, nullptr, 0);
        if (n <= 0)
            return std::nullopt;
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(static_cast<UINT>(page_), MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(),
                              n);
        return win32::Narrow(wide);
#else
        const iconv_t cd = ::iconv_open("UTF-8", ("CP" + std::to_string(page_)).c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr)
            return std::nullopt;
        std::string out(bytes.size() * 4, '\0');
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        ::iconv_close(cd);
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
#endif
    }

    int page_;
};

class TComparison {
public:
    explicit TComparison(int writerPage) : text_(writerPage) {}

    template <typename T> void Value(const std::string& what, const T& expected, const T& got) {
        if (expected == got)
            return;
        std::ostringstream s;
        s << what << ": expected " << +expected << ", got " << +got;
        differences_.push_back(s.str());
    }
    void Date(const std::string& what, TDateTime expected, TDateTime got) {
        std::uint64_t e = 0, g = 0;
        std::memcpy(&e, &expected, sizeof e);
        std::memcpy(&g, &got, sizeof g);
        if (e != g) {
            std::ostringstream s;
            s.precision(17);
            s << what << ": expected " << expected << ", got " << got;
            differences_.push_back(s.str());
        }
    }
    void Text(const std::string& what, const std::string& expected, const std::string& loaded) {
        const auto got = text_(loaded);
        if (got && *got == expected)
            return;
        differences_.push_back(what + ": expected \"" + Shorten(expected) + "\", got \"" +
                               (got ? Shorten(*got) : "(not in the writer's code page) " + Shorten(loaded)) +
                               "\"");
    }
    void Texts(const std::string& what, const std::vector<std::string>& expected,
               const std::vector<std::string>& got) {
        Value(what + " count", expected.size(), got.size());
        for (std::size_t i = 0; i < expected.size() && i < got.size(); ++i)
            Text(what + "[" + std::to_string(i) + "]", expected[i], got[i]);
    }
    void Note(const std::string& difference) { differences_.push_back(difference); }
    const std::vector<std::string>& Differences() const { return differences_; }

private:
    static std::string Shorten(const std::string& s) {
        return s.size() <= 80 ? s : s.substr(0, 40) + "...(" + std::to_string(s.size()) + " bytes)";
    }

    TTextFromWriter text_;
    std::vector<std::string> differences_;
};

void CompareTask(TComparison& c, const std::string& at, const TTask& e, const TTask& g) {
    c.Value(at + "ParentIndex", e.ParentIndex, g.ParentIndex);
    c.Value(at + "SourceParentSettings", e.SourceParentSettings, g.SourceParentSettings);
    c.Value(at + "DestParentSettings", e.DestParentSettings, g.DestParentSettings);
    c.Value(at + "CompressParentSettings", e.CompressParentSettings, g.CompressParentSettings);
    c.Value(at + "ScheduleParentSettings", e.ScheduleParentSettings, g.ScheduleParentSettings);
    c.Text(at + "TaskName", e.TaskName, g.TaskName);
    c.Texts(at + "SourceDirs", e.SourceDirs, g.SourceDirs);
    c.Value(at + "IncludeSubDirs", e.IncludeSubDirs, g.IncludeSubDirs);
    c.Value(at + "UseIndFilters", e.UseIndFilters, g.UseIndFilters);
    for (int i = 0; i < e.FilterPairCount(); ++i) {
        const auto k = static_cast<std::size_t>(i);
        c.Text(at + "IncludeFilter[" + std::to_string(i) + "]", e.Filters[k].IncludeFilter,
               g.Filters[k].IncludeFilter);
        c.Text(at + "ExcludeFilter[" + std::to_string(i) + "]", e.Filters[k].ExcludeFilter,
               g.Filters[k].ExcludeFilter);
    }
    c.Value(at + "ExcludeSomeSubDirs", e.ExcludeSomeSubDirs, g.ExcludeSomeSubDirs);
    c.Texts(at + "ExcludeSubDirs", e.ExcludeSubDirs, g.ExcludeSubDirs);
    c.Text(at + "DestDir", e.DestDir, g.DestDir);
    c.Value(at + "ShowUnableToBackup", e.ShowUnableToBackup, g.ShowUnableToBackup);
    c.Value(at + "Compress", e.Compress, g.Compress);
    c.Text(at + "ZipFileName", e.ZipFileName, g.ZipFileName);
    c.Value(at + "CompressLevel", e.CompressLevel, g.CompressLevel);
    c.Value(at + "Sfx", e.Sfx, g.Sfx);
    c.Value(at + "UpdateOnly", e.UpdateOnly, g.UpdateOnly);
    c.Value(at + "DeleteOldFiles", e.DeleteOldFiles, g.DeleteOldFiles);
    c.Value(at + "DeleteOldFilesCount", e.DeleteOldFilesCount, g.DeleteOldFilesCount);
    c.Value(at + "ProtectArchive", e.ProtectArchive, g.ProtectArchive);
    c.Text(at + "ProtectArchivePassword", e.ProtectArchivePassword, g.ProtectArchivePassword);
    c.Value(at + "UseSchedule", e.UseSchedule, g.UseSchedule);
    c.Value(at + "PerformTask", e.PerformTask, g.PerformTask);
    c.Date(at + "StartTime", e.StartTime, g.StartTime);
    c.Value(at + "Reserved1", e.Reserved1, g.Reserved1);
    for (std::size_t i = 0; i < e.ScheduleWeekDays.size(); ++i)
        c.Value(at + "ScheduleWeekDays[" + std::to_string(i) + "]", e.ScheduleWeekDays[i],
                g.ScheduleWeekDays[i]);
    for (std::size_t i = 0; i < e.ScheduleMonthDays.size(); ++i)
        c.Value(at + "ScheduleMonthDays[" + std::to_string(i) + "]", e.ScheduleMonthDays[i],
                g.ScheduleMonthDays[i]);
    c.Value(at + "Processed", e.Processed, g.Processed);
    c.Value(at + "Reserved2", e.Reserved2, g.Reserved2);
    c.Value(at + "TaskId", e.TaskId, g.TaskId);
}

int Write(const std::string& dir) {
    TTasksList list = SampleList(dir);
    bool ok = true;
    list.OnStoreError = [&ok](const std::string& message) {
        std::cerr << message << "\n";
        ok = false;
    };
    list.SaveTasks();
    list.SaveHistory();
    std::string error;
    if (!SaveOptions(SampleOptions(), dir, error)) {
        std::cerr << error << "\n";
        ok = false;
    }
    std::cout << "stores written in code page " << AnsiCodePage() << "\n";
    return ok ? 0 : 1;
}

int Check(const std::string& dir, int writerPage) {
    TTasksList expected = SampleList(dir);
    for (int i = 0; i < expected.Count(); ++i) // what a save puts in the records
        expected.Item(i).ParentIndex = expected.IndexOf(expected.Item(i).Parent);

    TTasksList loaded(dir);
    std::vector<std::string> storeErrors;
    loaded.OnStoreError = [&storeErrors](const std::string& message) { storeErrors.push_back(message); };
    loaded.LoadTasks();
    loaded.LoadHistory();
    const TOptionsData options = LoadOptions(dir);

    TComparison c(writerPage);
    for (const std::string& e : storeErrors)
        c.Note("store error: " + e);
    c.Value("task count", expected.Count(), loaded.Count());
    for (int i = 0; i < expected.Count() && i < loaded.Count(); ++i) {
        CompareTask(c, "task " + std::to_string(i) + " ", expected.Item(i), loaded.Item(i));
        c.Value("task " + std::to_string(i) + " parent", expected.IndexOf(expected.Item(i).Parent),
                loaded.IndexOf(loaded.Item(i).Parent));
    }
    c.Value("LastTaskId", expected.LastTaskId, loaded.LastTaskId);
    c.Value("HistoryCount", expected.HistoryCount, loaded.HistoryCount);
    for (int i = 0; i < expected.HistoryCount && i < loaded.HistoryCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::string at = "run " + std::to_string(i) + " ";
        c.Text(at + "TaskName", expected.History[k].TaskName, loaded.History[k].TaskName);
        c.Value(at + "TaskId", expected.History[k].TaskId, loaded.History[k].TaskId);
        c.Date(at + "RunTime", expected.History[k].RunTime, loaded.History[k].RunTime);
    }
    c.Value("job count", expected.Schedules.Count(), loaded.Schedules.Count());
    for (int i = 0; i < expected.Schedules.Count() && i < loaded.Schedules.Count(); ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::string at = "job " + std::to_string(i) + " ";
        c.Text(at + "TaskName", expected.Schedules.Items[k].TaskName, loaded.Schedules.Items[k].TaskName);
        c.Value(at + "JobId", expected.Schedules.Items[k].JobId, loaded.Schedules.Items[k].JobId);
    }
    c.Value("Language", SampleOptions().Language, options.Language);

    for (const std::string& d : c.Differences())
        std::cout << d << "\n";
    std::cout << c.Differences().size() << " difference(s); read in code page " << AnsiCodePage()
              << ", written in code page " << writerPage << "\n";
    return c.Differences().empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The stores are named by appending to the directory.
    if (args.size() >= 2 && !args[1].empty() && args[1].back() != '/' && args[1].back() != '\\')
        args[1] += '/';
    if (args.size() == 2 && args[0] == "write")
        return Write(args[1]);
    if ((args.size() == 2 || args.size() == 3) && args[0] == "check")
        return Check(args[1], args.size() == 3 ? std::stoi(args[2]) : AnsiCodePage());
    std::cerr << "usage: store_sample write DIR | store_sample check DIR [WRITER_CODE_PAGE]\n";
    return 2;
}
