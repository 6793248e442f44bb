#include "archive/zip_writer.h"

#include <algorithm>
#include <cstdio>

#include "archive/zip_records.h"
#include "archive/zip_writer_run.h"
#include "platform/file_system.h"
#include "platform/find_files.h"
#include "platform/path.h"

namespace korvel {

std::string FileShrankText(const std::string& fileName) {
    return "The file \"" + fileName +
           "\" became shorter while it was being read; only the bytes read were stored.";
}

namespace {

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && IsPathSeparator(s.back());
}
bool HasDirectoryPart(const std::string& s) {
    return std::any_of(s.begin(), s.end(), IsPathSeparator);
}

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

} // namespace

void TZipWriter::SetStorePaths(bool value) {
    if (value == storePaths_)
        return;
    storePaths_ = value;
    if (!value) {
        storeVolumes_ = false;
        relativePaths_ = false;
    }
}

void TZipWriter::SetStoreVolumes(bool value) {
    if (value == storeVolumes_)
        return;
    storeVolumes_ = value;
    if (value)
        storePaths_ = true;
}

void TZipWriter::SetRelativePaths(bool value) {
    if (value == relativePaths_)
        return;
    relativePaths_ = value;
    if (value) {
        storePaths_ = true;
        recurse_ = true;
    }
}

void TZipWriter::SetRootDir(const std::string& dir) {
    if (dir == rootDir_)
        return;
    rootDir_ = WithTrailingSeparator(dir);
    relativePathList_.clear();
    relativePathList_.push_back(rootDir_);
}

std::uint32_t TZipWriter::AttributeMask() const {
    std::uint32_t mask = 0x3F;
    auto apply = [&mask](bool on, std::uint32_t bit) { mask = on ? (mask | bit) : (mask & ~bit); };
    apply(includeReadOnly_, faReadOnly);
    apply(includeHidden_, faHidden);
    apply(includeSys_, faSysFile);
    apply(includeArchive_, faArchive);
    return mask;
}

TStoredNameRules TZipWriter::NameRules() const {
    TStoredNameRules rules;
    rules.StorePaths = storePaths_;
    rules.RelativePaths = relativePaths_;
    rules.StoreVolumes = storeVolumes_;
    rules.RelativePathList = relativePathList_;
    return rules;
}

void TZipWriter::Skipping(TSkipReason reason, const std::string& fileName) {
    if (OnSkippingFile) {
        bool retry = false;
        OnSkippingFile(*this, reason, fileName, -1, retry);
    }
}

int TZipWriter::HandleMessage(int id, const std::string& msg1, const std::string& msg2, unsigned flags) {
    int result = 0;
    if (OnHandleMessage)
        OnHandleMessage(*this, id, msg1, msg2, flags, result);
    else if (MessageBox)
        result = static_cast<int>(MessageBox(msg1, msg2, MsgButtons::Ok));
    return result;
}

std::string TZipWriter::TemporaryDirectory() const {
    if (!tempPath_.empty() && DirectoryExists(tempPath_)) {
        return WithTrailingSeparator(tempPath_);
    }
    return SystemTempDir();
}

unsigned TZipWriter::UpdatedArchiveMode() const {
    TFileInfo old;
    const unsigned mode = GetFileInfo(ZipName(), old) ? old.Mode & 0777 : NewFileMode();
    if (!creatingSfx_)
        return mode;
    // Whoever may read the program may run it, as far as the umask allows.
    return mode | ((mode & 0444) >> 2 & NewFileMode(true));
}

bool TZipWriter::InArchiveBeingRead(const std::string& storedKey) const {
    return std::any_of(Entries().begin(), Entries().end(),
                       [&](const TZipHeaderInfo& e) { return LowerName(e.FullName()) == storedKey; });
}

// A file passes when it exists, its attributes fit the mask, and the exclude,
// archive-bit and freshen rules keep it. Adds its size to the total.
bool TZipWriter::AcceptFoundFile(TRun& run, const std::string& path, bool explicitName) {
    if (MatchesAnyPattern(excludeList_, path)) {
        Skipping(srExcludeList, path);
        return false;
    }
    TFileInfo info;
    constexpr std::uint32_t kSearchBits = faHidden | faSysFile | faVolumeID | faDirectory;
    if (!GetFileInfo(path, info) || (info.Attributes & kSearchBits & ~AttributeMask()) != 0) {
        if (explicitName && OnNoSuchFile)
            OnNoSuchFile(*this, path);
        return false;
    }
    // A pipe, socket or device has no contents to back up, and opening one can
    // block for good: left out and reported, like a file that cannot be read.
    if (info.IsSpecial) {
        Skipping(srFileOpenError, path);
        return false;
    }
#ifndef _WIN32
    // Stored, the "\" would become a separator, and the file would merge with
    // another: left out and reported instead.
    if (StoredNameNeedsBackslash(path, NameRules())) {
        Skipping(srBadPath, path);
        return false;
    }
#endif
    if (skipIfArchiveBitNotSet_ && !(info.Attributes & faArchive)) {
        Skipping(srArchiveBitNotSet, path);
        return false;
    }
    if (zipAction_ == zaFreshen && !InArchiveBeingRead(LowerName(StoredNameOf(path, NameRules()).Full()))) {
        Skipping(srNoFileToFreshen, path);
        return false;
    }
    // The archive itself (a destination below a source directory) is never added.
    // Only a file of the archive's size can be the archive: the others need no look.
    if (run.zipNameId.Valid && info.Size == run.zipNameSize && FileIdOf(path) == run.zipNameId)
        return false;
    run.totalBytes += info.Size;
    return true;
}

void TZipWriter::ExpandWildcard(TRun& run, std::string spec) {
    bool recurse = recurse_;
    if (!spec.empty() && spec[0] == '|') {
        recurse = false;
        spec.erase(0, 1);
    } else if (!spec.empty() && spec[0] == '>') {
        recurse = true;
        spec.erase(0, 1);
    }
    const auto slash = spec.find_last_of("/\\");
    std::string dir = slash == std::string::npos ? rootDir_ : spec.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
    if (dir.empty())
        dir = "./";
    std::vector<std::string> pending{dir};
    while (!pending.empty()) {
        const std::string current = pending.back();
        pending.pop_back();
        std::vector<std::string> names;
        TFindFiles find;
        TSearchRec rec;
        for (bool found = find.FindFirst(current, "*", rec); found; found = find.FindNext(rec))
            names.push_back(rec.Name);
        std::vector<std::string> subdirs;
        for (const std::string& name : names) {
            ProcessMessagesAndCheckCancel();
            const std::string path = WithTrailingSeparator(current) + name;
            TFileInfo info;
            if (!GetFileInfo(path, info))
                continue;
            if (info.IsDirectory) {
                if (recurse)
                    subdirs.push_back(WithTrailingSeparator(path));
                continue;
            }
            if (!MatchesNamePattern(pattern, name))
                continue;
            if (OnRecursingFile)
                OnRecursingFile(*this, path);
            if (AcceptFoundFile(run, path, false))
                filesList_.push_back(path);
        }
        pending.insert(pending.end(), subdirs.rbegin(), subdirs.rend());
    }
}

void TZipWriter::CompleteFileList(TRun& run) {
    run.zipNameId = FileIdOf(ZipName());
    TFileInfo zipInfo;
    run.zipNameSize = GetFileInfo(ZipName(), zipInfo) ? zipInfo.Size : 0;
    std::vector<std::string> kept;
    std::vector<std::string> wildcards;
    for (std::string entry : filesList_) {
        if (EndsWithSeparator(entry)) {
            kept.push_back(entry);
        } else if (entry.find_first_of("*?<>|") != std::string::npos) {
            wildcards.push_back(entry);
        } else {
            if (!HasDirectoryPart(entry))
                entry.insert(0, rootDir_);
            if (AcceptFoundFile(run, entry, true))
                kept.push_back(entry);
        }
    }
    filesList_ = std::move(kept);
    for (const std::string& spec : wildcards)
        ExpandWildcard(run, spec);
}

void TZipWriter::WriteStub(TRun& run) {
    if (stubPath_.empty())
        return;
    TZipFile stub = TZipFile::OpenRead(stubPath_);
    std::vector<char> buf(65536);
    for (;;) {
        const std::size_t n = stub.Read(buf.data(), buf.size());
        if (n == 0)
            break;
        run.out.Write(buf.data(), n);
    }
}

void TZipWriter::StartDeflating(TRun& run, const std::vector<std::string>& order) {
    const int threads = ZipThreadCount(threads_);
    if (threads <= 1 || PackLevel() == 0 || order.empty())
        return;
    std::vector<std::string> plan;
    plan.reserve(order.size());
    for (const std::string& path : order)
        plan.push_back(EndsWithSeparator(path) || MatchesAnyPattern(noCompressList_, path) ? std::string()
                                                                                           : path);
    run.pool = std::make_unique<TDeflatePool>(threads, PackLevel(), std::move(plan));
}

void TZipWriter::WriteCentralDirectory(TRun& run) {
    const std::uint64_t start = run.out.Position();
    run.end.SetCentralOffset(start);
    run.end.SetCentralDisk(0);
    run.end.SetEntriesOnDisk(0);
    std::uint64_t onDisk = 0;
    for (TZipHeaderInfo& rec : run.written) {
        run.out.Write(BuildCentralHeader(rec));
        run.end.SetEntriesOnDisk(++onDisk);
    }
    run.end.SetTotalEntries(run.written.size());
    run.end.SetCentralSize(run.out.Position() - start);
    run.end.SetThisDisk(0);
    run.out.Write(BuildEndRecords(run.end, run.out.Position()));
}

int TZipWriter::Zip() {
    cancel_ = false;
    if (Trimmed(ZipName()).empty())
        return 0;
    struct TRestore {
        TZipWriter& w;
        ~TRestore() {
            w.inProgress_ = false;
            w.filesList_.clear();
        }
    } restore{*this};
    inProgress_ = true;

    TRun run;
    try {
        // Freshening needs to know what the archive holds while the list is completed.
        if (zipAction_ == zaFreshen) {
            if (FileExistsAt(ZipName()))
                RefreshDirectory();
            else
                ForgetDirectory();
        }
        if (!filesList_.empty())
            CompleteFileList(run);
        if (!filesList_.empty() && OnStartZipInfo) {
            bool stop = false;
            OnStartZipInfo(*this, static_cast<int>(filesList_.size()),
                           static_cast<std::int64_t>(run.totalBytes), run.end, stop);
            if (stop)
                throw EUserCanceled(kUserCanceledZip);
        }
        if (FileExistsAt(ZipName())) {
            UpdateExistingArchive(run);
            if (run.unchanged) {
                CloseArchive();
                filesList_.clear();
                inProgress_ = false;
                if (OnZipComplete)
                    OnZipComplete(*this, 0);
                return 0;
            }
        } else {
            run.outputPath = ZipName();
            // A self-extracting archive is a program: executable as far as the umask allows.
            run.out = TZipFile::Create(ZipName(), creatingSfx_ ? 0777 : 0666);
            run.outputId = FileIdOfDescriptor(run.out.Descriptor());
            WriteStub(run);
            StartDeflating(run, filesList_);
        }
        // The cancel flag is seen at the next block written: a request from the report
        // of the last file, or one followed only by entries without data, cancels nothing.
        for (const std::string& path : filesList_) {
            if (ZipOneFile(run, path) && dispose_ && !EndsWithSeparator(path))
                run.disposeList.push_back(path);
        }
        WriteCentralDirectory(run);
        if (run.update) {
            // The new archive must be on the disk before it takes the old one's place.
            run.out.Sync();
            run.out.Close();
            CloseArchive();
            const std::string target = alternativeTarget_.empty() ? ZipName() : alternativeTarget_;
            std::string error;
            if (!ReplaceFileSafely(run.outputPath, target, UpdatedArchiveMode(), error))
                throw EStreamError(std::string("Error") + ": " + "Could not copy from " + run.outputPath +
                                   " -> " + target + ". " + error);
        } else {
            run.out.Close();
        }
    } catch (...) {
        run.out = TZipFile();
        if (!run.outputPath.empty())
            DeleteFileAt(run.outputPath);
        CloseArchive();
        throw;
    }
    for (const std::string& path : run.disposeList)
        DeleteFileAt(path);
    if (!creatingSfx_) {
        TFileInfo info;
        const TDateTime date = GetFileInfo(ZipName(), info) ? FromFileTime(info.ModTime) : 0;
        ReplaceDirectory(std::move(run.written), run.end, date, ZipName());
    } else {
        ForgetDirectory();
    }
    filesList_.clear();
    inProgress_ = false;
    if (OnZipComplete)
        OnZipComplete(*this, run.count);
    return run.count;
}

int TZipWriter::ZipToSfx(const std::string& stubFile, const std::string& archiveFile, const void* optionData,
                         int optionSize) {
    if (stubFile.empty() || archiveFile.empty())
        return 0;
    alternativeTarget_.clear();
    if (FileExistsAt(archiveFile) && archiveFile.size() >= 4 &&
        LowerName(archiveFile.substr(archiveFile.size() - 4)) == ".zip")
        alternativeTarget_ = archiveFile.substr(0, archiveFile.size() - 4) + ".exe";
    SetZipName(archiveFile);
    // Declared first so that the copy of the stub goes in every outcome, also when
    // making it fails halfway.
    struct TRestore {
        TZipWriter& w;
        std::string tmp;
        ~TRestore() {
            w.creatingSfx_ = false;
            w.stubPath_.clear();
            w.alternativeTarget_.clear();
            if (!tmp.empty())
                DeleteFileAt(tmp);
        }
    } restore{*this, {}};
    if (optionSize >= 1) {
        TZipFile stub = TZipFile::OpenRead(stubFile);
        // A fresh name that nobody can have planted a file or a link under: the
        // temporary directory is shared with every other user of the machine.
        const std::string dir = TemporaryDirectory();
        std::string error;
        const int fd = CreateTempFile(dir, "tmpstub", restore.tmp, error, ".exe");
        if (fd < 0)
            throw EFCreateError("Cannot create a temporary file in \"" + dir + "\". " + error);
        TZipFile copy = TZipFile::Adopt(fd, restore.tmp);
        std::vector<char> buf(65536);
        while (const std::size_t n = stub.Read(buf.data(), buf.size()))
            copy.Write(buf.data(), n);
        copy.Write(optionData, static_cast<std::size_t>(optionSize));
        copy.Close();
        stubPath_ = restore.tmp;
    } else {
        TZipFile::OpenRead(stubFile); // an unreadable stub fails before anything is written
        stubPath_ = stubFile;
    }
    creatingSfx_ = true;
    return Zip();
}

} // namespace korvel
