#pragma once
// TZipReader: the directory of an existing archive (its central directory
// and end record), read with every value checked against the file itself.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/zip_exceptions.h"
#include "archive/zip_file.h"
#include "archive/zip_header_info.h"
#include "platform/date_time.h"
#include "platform/file_replace.h"
#include "platform/ui_hooks.h"

namespace korvel {

enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };

class TZipReader {
public:
    TZipReader() = default;
    virtual ~TZipReader() = default;
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    const std::string& ZipName() const { return zipName_; }
    void SetZipName(const std::string& name) { zipName_ = name; }
    TIncompleteZipMode IncompleteZipMode() const { return incompleteMode_; }
    void SetIncompleteZipMode(TIncompleteZipMode mode) { incompleteMode_ = mode; }
    TOEMConvert OEMConvert() const { return oemConvert_; }
    void SetOEMConvert(TOEMConvert mode) { oemConvert_ = mode; }
    bool DoProcessMessages() const { return doProcessMessages_; }
    void SetDoProcessMessages(bool value) { doProcessMessages_ = value; }

    // Dispatches pending user-interface messages between blocks; set by the owner.
    PumpMessagesFn PumpMessages;
    // Fired when the archive has no end record; may change the mode.
    std::function<void(TZipReader&, TIncompleteZipMode&)> OnInCompleteZip;

    // Reads the directory of ZipName. Throws the reader's exceptions.
    void ReadDirectory();
    // Reads the directory again only when the file's date changed since it was read.
    void RefreshDirectory();

    std::size_t Count() const { return entries_.size(); }
    // Throws std::out_of_range "Index %d is out of range".
    const TZipHeaderInfo& Entry(std::size_t index) const;
    TZipHeaderInfo& Entry(std::size_t index);
    const std::vector<TZipHeaderInfo>& Entries() const { return entries_; }
    const TEndCentral& EndCentral() const { return endCentral_; }
    TDateTime ZipFileDate() const { return zipDate_; }

    // Loads the archive comment into EndCentral / an entry's comment from the open archive.
    void LoadArchiveComment();
    void LoadEntryComment(TZipHeaderInfo& rec);

protected:
    // Checks the cancel flag (raising EUserCanceled) after letting the interface run.
    void ProcessMessagesAndCheckCancel();
    void CheckCancel();

    // The archive being read; kept open while the writer copies entries from it.
    TZipFile& Archive() { return archive_; }
    void CloseArchive() { archive_ = TZipFile(); }
    void OpenArchive();
    void ReplaceDirectory(std::vector<TZipHeaderInfo> entries, const TEndCentral& end, TDateTime date,
                          const std::string& path);
    void ForgetDirectory();

    bool cancel_ = false;
    bool pause_ = false;

private:
    bool FindEndRecord(std::uint64_t fileSize);
    bool ReadCentralDirectory(std::uint64_t fileSize);
    bool RebuildFromLocalHeaders(std::uint64_t fileSize);
    // A local header at `pos` whose name and sizes fit the file.
    bool ConsistentLocalHeader(std::uint64_t pos, std::uint64_t fileSize) const;
    std::uint64_t LocalScanStart(std::uint64_t fileSize) const;
    void ReadDirectoryFromOpenArchive();

    std::string zipName_;
    TIncompleteZipMode incompleteMode_ = izAssumeMulti;
    TOEMConvert oemConvert_ = oemAlways;
    bool doProcessMessages_ = true;

    TZipFile archive_;
    std::vector<TZipHeaderInfo> entries_;
    TEndCentral endCentral_;
    std::uint64_t endRecordPos_ = 0;
    std::uint64_t commentPos_ = 0;
    // Offset of the first entry a damaged directory still told us about.
    std::optional<std::uint64_t> directoryFirstLocal_;
    TDateTime zipDate_ = 0;
    std::string directoryOf_; // the path whose directory entries_ holds
    // The date alone can miss a rewrite within one clock tick of the file system;
    // size and identity of the file are compared too.
    struct TFileStamp {
        std::int64_t Seconds = 0;
        long Nanoseconds = 0;
        std::uint64_t Size = 0;
        TFileId Id;
        bool operator==(const TFileStamp& o) const {
            return Seconds == o.Seconds && Nanoseconds == o.Nanoseconds && Size == o.Size && Id == o.Id;
        }
    };
    static TFileStamp StampOf(const std::string& path);
    TFileStamp stamp_;
    bool haveDirectory_ = false;
};

} // namespace korvel
