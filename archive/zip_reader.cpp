#include "archive/zip_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "archive/stub_length.h"
#include "archive/zip_names.h"
#include "archive/zip_records.h"
#include "platform/file_system.h"
#include "zipformat/zip_extra_fields.h"

namespace korvel {

namespace {

// Sequential reads over one region of the archive through a window, so that a
// damaged count or length can never make us allocate more than the region holds.
class TRegionReader {
public:
    TRegionReader(const TZipFile& file, std::uint64_t start, std::uint64_t end)
        : file_(file), pos_(start), end_(end) {}

    std::uint64_t Position() const { return pos_; }
    std::uint64_t Left() const { return end_ > pos_ ? end_ - pos_ : 0; }

    // False when the region ends before `size` bytes.
    bool Read(std::size_t size, std::string& out) {
        if (size > Left())
            return false;
        out.resize(size);
        std::size_t done = 0;
        while (done < size) {
            if (pos_ < winStart_ || pos_ >= winStart_ + window_.size())
                Fill();
            if (window_.empty())
                return false;
            const std::size_t at = static_cast<std::size_t>(pos_ - winStart_);
            const std::size_t n = std::min(size - done, window_.size() - at);
            std::memcpy(out.data() + done, window_.data() + at, n);
            done += n;
            pos_ += n;
        }
        return true;
    }

    bool Skip(std::uint64_t size) {
        if (size > Left())
            return false;
        pos_ += size;
        return true;
    }

private:
    void Fill() {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(65536, Left()));
        window_.resize(want);
        const std::size_t got = file_.ReadAt(pos_, window_.data(), want);
        window_.resize(got);
        winStart_ = pos_;
    }

    const TZipFile& file_;
    std::uint64_t pos_;
    std::uint64_t end_;
    std::vector<char> window_;
    std::uint64_t winStart_ = 0;
};

bool EndsWithExe(const std::string& name) {
    return name.size() >= 4 && LowerName(name.substr(name.size() - 4)) == ".exe";
}

} // namespace

const TZipHeaderInfo& TZipReader::Entry(std::size_t index) const {
    if (index >= entries_.size())
        throw std::out_of_range("Index " + std::to_string(index) + " is out of range");
    return entries_[index];
}

TZipHeaderInfo& TZipReader::Entry(std::size_t index) {
    if (index >= entries_.size())
        throw std::out_of_range("Index " + std::to_string(index) + " is out of range");
    return entries_[index];
}

void TZipReader::CheckCancel() {
    if (cancel_) {
        cancel_ = false;
        throw EUserCanceled(kUserAborted);
    }
}

void TZipReader::ProcessMessagesAndCheckCancel() {
    if (!doProcessMessages_)
        return;
    if (PumpMessages)
        PumpMessages();
    CheckCancel();
    while (pause_) {
        SleepMs(1000);
        if (PumpMessages)
            PumpMessages();
        CheckCancel();
    }
}

void TZipReader::OpenArchive() {
    if (!archive_.IsOpen() || archive_.Path() != zipName_)
        archive_ = TZipFile::OpenRead(zipName_);
}

void TZipReader::ForgetDirectory() {
    entries_.clear();
    endCentral_ = TEndCentral();
    haveDirectory_ = false;
    directoryOf_.clear();
}

void TZipReader::ReplaceDirectory(std::vector<TZipHeaderInfo> entries, const TEndCentral& end, TDateTime date,
                                  const std::string& path) {
    entries_ = std::move(entries);
    endCentral_ = end;
    zipDate_ = date;
    stamp_ = StampOf(path);
    directoryOf_ = path;
    haveDirectory_ = true;
}

TZipReader::TFileStamp TZipReader::StampOf(const std::string& path) {
    TFileStamp stamp;
    TFileInfo info;
    if (GetFileInfo(path, info)) {
        stamp.Seconds = info.ModTime.tv_sec;
        stamp.Nanoseconds = info.ModTime.tv_nsec;
        stamp.Size = info.Size;
        stamp.Id = FileIdOf(path);
    }
    return stamp;
}

void TZipReader::RefreshDirectory() {
    TFileInfo info;
    if (haveDirectory_ && directoryOf_ == zipName_ && GetFileInfo(zipName_, info) &&
        FromFileTime(info.ModTime) == zipDate_ && StampOf(zipName_) == stamp_) {
        OpenArchive();
        return;
    }
    ReadDirectory();
}

void TZipReader::ReadDirectory() {
    ForgetDirectory();
    CloseArchive();
    OpenArchive();
    try {
        ReadDirectoryFromOpenArchive();
    } catch (...) {
        ForgetDirectory();
        CloseArchive();
        throw;
    }
}

void TZipReader::ReadDirectoryFromOpenArchive() {
    TFileInfo info;
    if (GetFileInfo(zipName_, info))
        zipDate_ = FromFileTime(info.ModTime);
    stamp_ = StampOf(zipName_);
    directoryFirstLocal_.reset();
    const std::uint64_t fileSize = archive_.Size();
    if (fileSize == 0) {
        // An empty file is an empty archive: an update simply writes every file.
        directoryOf_ = zipName_;
        haveDirectory_ = true;
        return;
    }
    if (!FindEndRecord(fileSize)) {
        TIncompleteZipMode mode = incompleteMode_;
        if (OnInCompleteZip)
            OnInCompleteZip(*this, mode);
        if (mode == izAssumeNotAZip)
            throw ENotAZipFile(kNotAValidZip);
        if (mode == izAssumeMulti)
            throw EIncompleteZip(kIncompleteZip);
        if (!RebuildFromLocalHeaders(fileSize))
            throw EBadZipFile(kNotAValidZip);
    } else if (!ReadCentralDirectory(fileSize)) {
        if (!RebuildFromLocalHeaders(fileSize))
            throw EBadZipFile(kNotAValidZip);
    }
    directoryOf_ = zipName_;
    haveDirectory_ = true;
}

bool TZipReader::FindEndRecord(std::uint64_t fileSize) {
    if (fileSize < kEndRecordSize)
        return false;
    const std::uint64_t window = std::min<std::uint64_t>(fileSize, kEndSearchWindow);
    const std::uint64_t windowStart = fileSize - window;
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(window));
    if (archive_.ReadAt(windowStart, buf.data(), buf.size()) != buf.size())
        return false;
    const std::optional<std::size_t> found = korvel::FindEndRecord(
        {reinterpret_cast<const char*>(buf.data()), buf.size()}, TEndMatch::FirstSignature);
    if (!found)
        return false;
    TEndCentral end;
    ParseEndRecord(&buf[*found], end);
    endRecordPos_ = windowStart + *found;
    commentPos_ = endRecordPos_ + kEndRecordSize;

    const TZip64End zip64 = ReadZip64End(endRecordPos_, [&](std::uint64_t at, void* out, std::size_t size) {
        return archive_.ReadAt(at, out, size) == size;
    });
    if (zip64.Status == TZip64End::Found) {
        end.Zip64End = zip64.Record;
        // The directory ends where the record really starts, which is what the
        // locator's offset stands for here.
        end.Zip64Locator = zip64.Locator;
        end.Zip64Locator->Zip64EndOffset = zip64.RecordOffset;
    }
    if (end.ThisDisk() < end.CentralDisk())
        return false;
    endCentral_ = end;
    return true;
}

bool TZipReader::ReadCentralDirectory(std::uint64_t fileSize) {
    const std::uint64_t total = endCentral_.TotalEntries();
    if (total == 0)
        return true;
    // Archives in one piece only: anything else is treated like a damaged one.
    if (endCentral_.ThisDisk() != 0 || endCentral_.CentralDisk() != 0)
        return false;
    const std::uint64_t start = endCentral_.CentralOffset();
    const std::uint64_t limit =
        endCentral_.Zip64Locator ? endCentral_.Zip64Locator->Zip64EndOffset : endRecordPos_;
    if (start > limit || total > (limit - start) / kCentralHeaderSize)
        return false;
    TRegionReader in(archive_, start, limit);
    std::vector<TZipHeaderInfo> entries;
    std::string fixed, name, extra;
    for (std::uint64_t i = 0; i < total; ++i) {
        ProcessMessagesAndCheckCancel();
        TZipHeaderInfo rec(oemConvert_);
        rec.CentralHeaderOffset = in.Position();
        if (!in.Read(kCentralHeaderSize, fixed) || GetU32(fixed.data()) != kCentralSignature)
            return false;
        const auto* p = reinterpret_cast<const std::uint8_t*>(fixed.data());
        ParseCentralFixed(p, rec);
        if (!in.Read(GetU16(p + 28), name))
            return false;
        if (rec.CentralExtraLength > 0) {
            rec.OtherExtraOffset = in.Position();
            rec.OtherExtraLength = rec.CentralExtraLength;
            if (!in.Read(rec.CentralExtraLength, extra) || !ParseCentralExtra(extra, rec))
                return false;
        }
        DecodeEntryName(name, rec);
        if (rec.CompressionMethod == kMethodAes && rec.AesBlock) {
            const TAesExtra aes = ParseAesExtra(rec.AesBlock->data());
            rec.AesStrength = aes.Strength;
            rec.CompressionMethod = aes.Method;
        }
        if (!in.Skip(rec.FileCommentLength))
            return false;
        // Everything an entry points at must lie inside the file, before its directory.
        const std::uint64_t offset = rec.RelativeOffset();
        if (rec.DiskNumberStart() != 0 || offset > start || start - offset < kLocalHeaderSize ||
            rec.CompressedSize() > start - offset - kLocalHeaderSize || offset >= fileSize)
            return false;
        if (!directoryFirstLocal_ || offset < *directoryFirstLocal_)
            directoryFirstLocal_ = offset;
        entries.push_back(std::move(rec));
    }
    // More headers behind the counted ones: the count lies, and trusting it would
    // drop entries silently from every update. Treat the directory as damaged.
    std::string next;
    if (in.Left() >= 4 && in.Read(4, next) && GetU32(next.data()) == kCentralSignature)
        return false;
    entries_ = std::move(entries);
    LoadArchiveComment();
    return true;
}

bool TZipReader::ConsistentLocalHeader(std::uint64_t pos, std::uint64_t fileSize) const {
    std::uint8_t head[kLocalHeaderSize];
    if (pos > fileSize || fileSize - pos < kLocalHeaderSize ||
        archive_.ReadAt(pos, head, sizeof head) != sizeof head || GetU32(head) != kLocalSignature ||
        head[5] >= 10)
        return false;
    const std::uint16_t flags = GetU16(head + 6);
    const std::uint32_t compressed = GetU32(head + 18);
    const std::uint16_t nameLen = GetU16(head + 26);
    const std::uint16_t extraLen = GetU16(head + 28);
    const std::uint64_t dataAt = pos + kLocalHeaderSize + nameLen + extraLen;
    // Every entry has a name, and what the header announces lies inside the file
    // (a Zip64 size is checked when the entry is read).
    if (nameLen == 0 || dataAt > fileSize)
        return false;
    if (compressed != kMarker32 && compressed > fileSize - dataAt)
        return false;
    return compressed != 0 || !(flags & kFlagDataDescriptor) || GetU32(head + 14) != 0;
}

std::uint64_t TZipReader::LocalScanStart(std::uint64_t fileSize) const {
    // Where the stub's length is known, the archive starts right behind it, and the
    // stub's own bytes (which may hold a local header signature) are never scanned:
    // from the directory's first entry, or from the stub's program headers.
    for (const std::optional<std::uint64_t>& start : {directoryFirstLocal_, StubLength(archive_, fileSize)})
        if (start && ConsistentLocalHeader(*start, fileSize))
            return *start;
    return EndsWithExe(zipName_) ? 14000 : 0;
}

bool TZipReader::RebuildFromLocalHeaders(std::uint64_t fileSize) {
    std::uint64_t pos = LocalScanStart(fileSize);
    // Find the first local header whose fields are plausible.
    std::vector<std::uint8_t> buf(65536 + 6);
    bool found = false;
    std::uint64_t sinceMessages = 0;
    while (!found && pos + kLocalHeaderSize <= fileSize) {
        const std::size_t got = archive_.ReadAt(pos, buf.data(), buf.size());
        if (got < 6)
            break;
        for (std::size_t i = 0; i + 6 <= got; ++i) {
            if (++sinceMessages >= 10240) {
                sinceMessages = 0;
                ProcessMessagesAndCheckCancel();
            }
            if (buf[i] == 0x50 && GetU32(&buf[i]) == kLocalSignature && buf[i + 5] < 10 &&
                ConsistentLocalHeader(pos + i, fileSize)) {
                pos += i;
                found = true;
                break;
            }
        }
        if (!found)
            pos += got - 5;
        if (got < buf.size())
            break;
    }
    if (!found)
        return false;

    std::vector<TZipHeaderInfo> entries;
    std::uint8_t head[kLocalHeaderSize];
    while (pos + kLocalHeaderSize <= fileSize) {
        if (archive_.ReadAt(pos, head, sizeof head) != sizeof head || GetU32(head) != kLocalSignature)
            break;
        TZipHeaderInfo rec(oemConvert_);
        rec.VersionNeeded = GetU16(head + 4);
        rec.Flags = GetU16(head + 6);
        rec.CompressionMethod = GetU16(head + 8);
        rec.DateTime = CorrectDosDateTime(GetU32(head + 10));
        rec.CRC32 = GetU32(head + 14);
        rec.CompressedSize32 = GetU32(head + 18);
        rec.UncompressedSize32 = GetU32(head + 22);
        const std::uint16_t nameLen = GetU16(head + 26);
        rec.LocalExtraLength = GetU16(head + 28);
        if (pos + kLocalHeaderSize + nameLen + rec.LocalExtraLength > fileSize)
            break;
        std::string name(nameLen, '\0'), extra(rec.LocalExtraLength, '\0');
        archive_.ReadAt(pos + kLocalHeaderSize, name.data(), nameLen);
        archive_.ReadAt(pos + kLocalHeaderSize + nameLen, extra.data(), extra.size());
        // Local Zip64 blocks carry both sizes whenever one of them overflowed.
        if (rec.UncompressedSize32 == kMarker32 || rec.CompressedSize32 == kMarker32) {
            TZipHeaderInfo sizes = rec;
            sizes.UncompressedSize32 = sizes.CompressedSize32 = kMarker32;
            if (ParseCentralExtra(extra, sizes) && sizes.Zip64) {
                rec.SetUncompressedSize(sizes.Zip64->UncompressedSize);
                rec.SetCompressedSize(sizes.Zip64->CompressedSize);
            }
        } else {
            TZipHeaderInfo scratch = rec;
            ParseCentralExtra(extra, scratch);
            rec.AesBlock = scratch.AesBlock;
        }
        rec.VersionMadeBy = rec.VersionNeeded & 0xFF; // host unknown: treat as DOS
        DecodeEntryName(name, rec);
        if (rec.CompressionMethod == kMethodAes && rec.AesBlock) {
            rec.AesStrength = (*rec.AesBlock)[8];
            rec.CompressionMethod = GetU16(rec.AesBlock->data() + 9);
        }
        // A data descriptor with nothing in the header: the entry's length cannot be
        // known from here, and carrying it over would copy the wrong bytes.
        if ((rec.Flags & kFlagDataDescriptor) && rec.CompressedSize() == 0 && rec.CRC32 == 0)
            break;
        rec.SetRelativeOffset(pos);
        std::uint64_t next = pos + kLocalHeaderSize + nameLen + rec.LocalExtraLength;
        const std::uint64_t data = rec.CompressedSize();
        if (data > fileSize - next)
            break;
        next += data;
        if (rec.Flags & kFlagDataDescriptor)
            next += 16;
        entries.push_back(std::move(rec));
        pos = next;
    }
    if (entries.empty())
        return false;
    TEndCentral end;
    end.SetTotalEntries(entries.size());
    end.SetEntriesOnDisk(entries.size());
    endCentral_ = end;
    entries_ = std::move(entries);
    commentPos_ = 0;
    return true;
}

void TZipReader::LoadArchiveComment() {
    if (endCentral_.Comment || endCentral_.CommentLength == 0 || commentPos_ == 0 || !archive_.IsOpen())
        return;
    std::string comment(endCentral_.CommentLength, '\0');
    comment.resize(archive_.ReadAt(commentPos_, comment.data(), comment.size()));
    endCentral_.CommentLength = static_cast<std::uint16_t>(comment.size());
    endCentral_.Comment = comment;
}

void TZipReader::LoadEntryComment(TZipHeaderInfo& rec) {
    if (rec.Comment || rec.FileCommentLength == 0 || !archive_.IsOpen())
        return;
    const std::uint64_t at =
        rec.CentralHeaderOffset + kCentralHeaderSize + rec.RawName.size() + rec.CentralExtraLength;
    std::string comment(rec.FileCommentLength, '\0');
    comment.resize(archive_.ReadAt(at, comment.data(), comment.size()));
    rec.FileCommentLength = static_cast<std::uint16_t>(comment.size());
    rec.Comment = comment;
}

} // namespace korvel
