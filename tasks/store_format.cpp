#include "tasks/store_format.h"

#include "tasks/store_text.h"

namespace korvel {

namespace {

void WriteStringList(std::string& out, const std::vector<std::string>& list) {
    WriteInt32(out, static_cast<std::int32_t>(list.size()));
    for (const auto& s : list)
        WriteStoreString(out, s);
}

bool ReadStringList(ByteReader& in, std::vector<std::string>& list) {
    const std::int32_t count = in.ReadInt32();
    // Every string takes at least its four length bytes.
    if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / 4) {
        in.MarkOverrun();
        return false;
    }
    list.clear();
    for (std::int32_t i = 0; i < count && !in.Overrun(); ++i)
        list.push_back(ReadStoreString(in));
    return !in.Overrun();
}

// With individual filters there is one pair per source directory; pairs past the
// 100 the record holds are written empty so that the layout stays one pair per directory.
int StoredPairCount(const TTask& task) {
    return task.UseIndFilters ? static_cast<int>(task.SourceDirs.size()) : 1;
}

} // namespace

void WriteTaskRecord(std::string& out, const TTask& t) {
    WriteInt32(out, t.ParentIndex);
    WriteBool(out, t.SourceParentSettings);
    WriteBool(out, t.DestParentSettings);
    WriteBool(out, t.CompressParentSettings);
    WriteBool(out, t.ScheduleParentSettings);
    WriteStoreString(out, t.TaskName);
    WriteStringList(out, t.SourceDirs);
    WriteBool(out, t.IncludeSubDirs);
    WriteBool(out, t.UseIndFilters);
    const int pairs = StoredPairCount(t);
    for (int i = 0; i < pairs; ++i) {
        const TFilterPair empty;
        const TFilterPair& p = i < kMaxFilterPairs ? t.Filters[static_cast<std::size_t>(i)] : empty;
        WriteStoreString(out, p.IncludeFilter);
        WriteStoreString(out, p.ExcludeFilter);
    }
    WriteBool(out, t.ExcludeSomeSubDirs);
    WriteStringList(out, t.ExcludeSubDirs);
    WriteStoreString(out, t.DestDir);
    WriteBool(out, t.ShowUnableToBackup);
    WriteBool(out, t.Compress);
    WriteStoreString(out, t.ZipFileName);
    WriteInt32(out, t.CompressLevel);
    WriteBool(out, t.Sfx);
    WriteBool(out, t.UpdateOnly);
    WriteBool(out, t.DeleteOldFiles);
    WriteInt32(out, t.DeleteOldFilesCount);
    WriteBool(out, t.ProtectArchive);
    WriteStoreString(out, t.ProtectArchivePassword);
    WriteBool(out, t.UseSchedule);
    WriteInt32(out, t.PerformTask);
    WriteDateTime(out, t.StartTime);
    WriteInt32(out, t.Reserved1);
    for (bool b : t.ScheduleWeekDays)
        WriteBool(out, b);
    for (bool b : t.ScheduleMonthDays)
        WriteBool(out, b);
    WriteInt32(out, t.Processed);
    WriteInt32(out, t.Reserved2);
    WriteInt32(out, t.TaskId);
}

bool ReadTaskRecord(ByteReader& in, TTask& t) {
    t.ParentIndex = in.ReadInt32();
    t.SourceParentSettings = in.ReadBool();
    t.DestParentSettings = in.ReadBool();
    t.CompressParentSettings = in.ReadBool();
    t.ScheduleParentSettings = in.ReadBool();
    t.TaskName = ReadStoreString(in);
    if (!ReadStringList(in, t.SourceDirs))
        return false;
    t.IncludeSubDirs = in.ReadBool();
    t.UseIndFilters = in.ReadBool();
    const int pairs = StoredPairCount(t);
    for (int i = 0; i < pairs && !in.Overrun(); ++i) {
        TFilterPair p{ReadStoreString(in), ReadStoreString(in)};
        if (i < kMaxFilterPairs)
            t.Filters[static_cast<std::size_t>(i)] = std::move(p);
    }
    t.ExcludeSomeSubDirs = in.ReadBool();
    if (!ReadStringList(in, t.ExcludeSubDirs))
        return false;
    t.DestDir = ReadStoreString(in);
    t.ShowUnableToBackup = in.ReadBool();
    t.Compress = in.ReadBool();
    t.ZipFileName = ReadStoreString(in);
    t.CompressLevel = in.ReadInt32();
    t.Sfx = in.ReadBool();
    t.UpdateOnly = in.ReadBool();
    t.DeleteOldFiles = in.ReadBool();
    t.DeleteOldFilesCount = in.ReadInt32();
    t.ProtectArchive = in.ReadBool();
    t.ProtectArchivePassword = ReadStoreString(in);
    t.UseSchedule = in.ReadBool();
    t.PerformTask = in.ReadInt32();
    t.StartTime = in.ReadDateTime();
    t.Reserved1 = in.ReadInt32();
    for (bool& b : t.ScheduleWeekDays)
        b = in.ReadBool();
    for (bool& b : t.ScheduleMonthDays)
        b = in.ReadBool();
    t.Processed = in.ReadInt32();
    t.Reserved2 = in.ReadInt32();
    t.TaskId = in.ReadInt32();
    return !in.Overrun();
}

} // namespace korvel
