// Updating an existing archive: every old entry is carried over byte for byte
// or replaced by its newer file into a temporary archive; files not yet in the
// archive follow. Zip() then puts the temporary archive in the old one's place.

#include <cstring>
#include <map>

#include "archive/zip_records.h"
#include "archive/zip_writer.h"
#include "archive/zip_writer_run.h"
#include "platform/file_system.h"

namespace korvel {

namespace {
constexpr std::size_t kCopyBlock = 16384;
} // namespace

void TZipWriter::CarryOver(TRun& run, TZipHeaderInfo rec) {
    if (OnUpdate)
        OnUpdate(*this, uaKeeping, rec.FullName());
    TZipFile& old = Archive();
    const std::uint64_t oldSize = run.oldArchiveSize;
    const std::uint64_t at = rec.RelativeOffset();
    // The directory may lie: the offset must lead to a local header whose data fits the file.
    if (at > oldSize || oldSize - at < kLocalHeaderSize)
        throw EBadZipFile(kNotAValidZip);
    // One read brings the header and, for most entries, the whole data with it.
    std::vector<std::uint8_t> window(
        static_cast<std::size_t>(std::min<std::uint64_t>(2 * kCopyBlock, oldSize - at)));
    if (old.ReadAt(at, window.data(), window.size()) != window.size() ||
        GetU32(window.data()) != kLocalSignature)
        throw EBadZipFile(kNotAValidZip);
    const std::uint16_t nameLen = GetU16(window.data() + 26);
    const std::uint16_t extraLen = GetU16(window.data() + 28);
    const std::uint64_t dataAt = at + kLocalHeaderSize + nameLen + extraLen;
    const std::uint64_t size = rec.CompressedSize();
    if (dataAt > oldSize || size > oldSize - dataAt)
        throw EBadZipFile(kNotAValidZip);
    // The header found there must be this entry's: the same name in both headers.
    std::string localName(nameLen, '\0');
    // Copies old bytes [from, from + n) into `dest`, from the window when it holds them.
    auto readOld = [&](std::uint64_t from, std::uint8_t* dest, std::size_t n) {
        if (from - at + n <= window.size())
            std::memcpy(dest, window.data() + (from - at), n);
        else if (old.ReadAt(from, dest, n) != n)
            throw EBadZipFile(kNotAValidZip);
    };
    readOld(at + kLocalHeaderSize, reinterpret_cast<std::uint8_t*>(localName.data()), localName.size());
    if (localName != rec.RawName)
        throw EBadZipFile(kNotAValidZip);
    std::string extra(extraLen, '\0');
    readOld(at + kLocalHeaderSize + nameLen, reinterpret_cast<std::uint8_t*>(extra.data()), extra.size());
    // Our own Zip64 and AES blocks are made again from the entry's values; the
    // old ones would contradict the new header.
    const std::string carried = StripOwnExtraBlocks(extra);

    rec.Flags &= static_cast<std::uint16_t>(~kFlagDataDescriptor);
    rec.SetRelativeOffset(run.out.Position());
    rec.LocalExtraLength = static_cast<std::uint16_t>(carried.size());
    run.out.Write(BuildLocalHeader(rec, carried));

    std::vector<std::uint8_t> buf(kCopyBlock);
    std::uint64_t copied = 0;
    while (copied < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), size - copied));
        readOld(dataAt + copied, buf.data(), want);
        run.out.Write(buf.data(), want);
        copied += want;
        ReportRead(run, copied, size, want);
        if (DoProcessMessages())
            ProcessMessagesAndCheckCancel();
    }
    run.names.insert(LowerName(rec.FullName()));
    run.written.push_back(std::move(rec));
}

void TZipWriter::UpdateExistingArchive(TRun& run) {
    RefreshDirectory();
    run.update = true;
    run.oldArchiveId = FileIdOf(ZipName());
    run.oldArchiveSize = Archive().IsOpen() ? Archive().Size() : 0;
    LoadArchiveComment();
    run.end = TEndCentral();
    if (EndCentral().Comment) {
        run.end.Comment = EndCentral().Comment;
        run.end.CommentLength = static_cast<std::uint16_t>(EndCentral().Comment->size());
    }

    // What happens to each old entry: carried over, or replaced by listed file i.
    // Stored name of every listed file -> its indices in list order, so that each
    // old entry finds its file without walking the whole list.
    const TStoredNameRules rules = NameRules();
    std::map<std::string, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < filesList_.size(); ++i)
        byName[LowerName(StoredNameOf(filesList_[i], rules).Full())].push_back(i);
    std::vector<bool> done(filesList_.size(), false);
    constexpr std::size_t kKeep = static_cast<std::size_t>(-1);
    const std::vector<TZipHeaderInfo>& oldEntries = Entries();
    std::vector<std::size_t> replaceBy(oldEntries.size(), kKeep);
    bool anyChange = creatingSfx_;
    for (std::size_t e = 0; e < oldEntries.size(); ++e) {
        const TZipHeaderInfo& rec = oldEntries[e];
        CheckCancel();
        if (rec.DeletedMark == 2 || (rec.Flags & kFlagDataDescriptor)) {
            anyChange = true;
            if (rec.DeletedMark == 2)
                continue;
        }
        std::size_t match = filesList_.size();
        if (auto it = byName.find(LowerName(rec.FullName())); it != byName.end()) {
            for (std::size_t i : it->second)
                if (!done[i]) {
                    match = i;
                    break;
                }
        }
        if (match == filesList_.size())
            continue;
        const std::string& path = filesList_[match];
        done[match] = true;
        bool replace = zipAction_ == zaReplace;
        if (!replace) {
            TFileInfo info;
            const bool exists = GetFileInfo(path, info);
            replace = exists && DosToDateTime(rec.DateTime) < DosToDateTime(FileTimeToDos(info.ModTime));
            if (!replace) {
                run.totalBytes -= std::min(run.totalBytes, exists ? info.Size : 0);
                run.totalBytes += rec.CompressedSize();
                if (dispose_ && exists)
                    run.disposeList.push_back(path);
            }
        }
        if (replace) {
            replaceBy[e] = match;
            anyChange = true;
        }
    }
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < filesList_.size(); ++i)
        if (!done[i])
            rest.push_back(filesList_[i]);
    anyChange = anyChange || !rest.empty();
    if (!anyChange) {
        // Nothing to replace, add or clean up: rewriting would give the same archive,
        // so the old one stays as it is.
        run.unchanged = true;
        filesList_.clear();
        return;
    }

    std::string error;
    std::string tempPath;
    const int fd = CreateTempFile(TemporaryDirectory(), "ZQT", tempPath, error);
    if (fd < 0)
        throw EFCreateError("Cannot create a temporary file in \"" + TemporaryDirectory() + "\". " + error);
    run.out = TZipFile::Adopt(fd, tempPath);
    run.outputPath = tempPath;
    run.outputId = FileIdOfDescriptor(fd);
    WriteStub(run);

    // The files in the order they are zipped: replacements where their entries were, then the new ones.
    std::vector<std::string> order;
    for (std::size_t e = 0; e < oldEntries.size(); ++e)
        if (oldEntries[e].DeletedMark != 2 && replaceBy[e] != kKeep)
            order.push_back(filesList_[replaceBy[e]]);
    order.insert(order.end(), rest.begin(), rest.end());
    StartDeflating(run, order);

    for (std::size_t e = 0; e < oldEntries.size(); ++e) {
        TZipHeaderInfo rec = oldEntries[e];
        if (rec.DeletedMark == 2)
            continue;
        CheckCancel();
        LoadEntryComment(rec);
        if (replaceBy[e] == kKeep) {
            CarryOver(run, std::move(rec));
            continue;
        }
        const std::string& path = filesList_[replaceBy[e]];
        if (OnUpdate)
            OnUpdate(*this, uaReplacing, path);
        if (ZipOneFile(run, path) && dispose_)
            run.disposeList.push_back(path);
    }
    filesList_ = std::move(rest);
}

} // namespace korvel
