#pragma once
// TZipWriter: builds a ZIP archive from a list of files, or brings an existing
// archive up to date through a temporary archive that replaces it at the end.
//
// The backup step's use:
//   writer.SetStorePaths(true); writer.SetPackLevel(level);
//   writer.SetRelativePaths(true); writer.SetStoreVolumes(false); writer.SetRootDir(root);
//   writer.SetPassword(pw); writer.FilesList() = paths; writer.SetZipAction(zaUpdate);
//   writer.SetTempPath(dir); writer.SetZipName(path); writer.OnEndZip = ...;
//   writer.Zip();   // or writer.ZipToSfx(stubPath, path)
// EUserCanceled means the user stopped; EFCreateError that the archive or its
// temporary file could not be created; anything else is a real failure.
//
// Speed: files are deflated on one worker thread per core while the caller's thread
// writes the archive in list order. Small files are deflated whole, several at
// once; a larger one is cut into blocks at fixed offsets, each primed with the 32 KiB
// before it and ended on a byte boundary, so the blocks form one deflate stream and
// the archive is the same bytes for any number of threads. The caller's thread alone
// writes, encrypts, reports progress, pumps messages while it waits, and stops at the
// next block when cancelled. With one thread the same block code runs on the caller's.
//
// The workers read their input themselves and compute its CRC, so the caller's
// thread does no pass over the data, and they run ahead of it: while it writes
// block N, the blocks of the next (2 * threads + 2) MiB of input are deflating or
// deflated (never fewer than threads + 1 blocks, so no worker waits for the writer).
// Block buffers are recycled rather than freed, which keeps page faults and
// clearing of fresh memory off the workers.
//
// Memory is bounded by the thread count t, never by the input: at most 2t + 3
// deflated blocks of about 1 MiB in flight, t spare output buffers, per worker a
// 1 MiB + 32 KiB input buffer and zlib's 256 KiB state, and the caller's own block:
// about 4.5 t + 6 MiB, 15 MiB for two threads.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "archive/zip_file.h"
#include "archive/zip_names.h"
#include "archive/zip_reader.h"
#include "platform/file_replace.h"

namespace korvel {

class TZipEncryptor;

enum TZipAction { zaUpdate, zaReplace, zaFreshen };
enum TEncryptStrength { esPKStandard, esAES128, esAES192, esAES256 };
enum TSkipReason {
    srBadPath,
    srNoOverwrite,
    srFileOpenError,
    srSkippedInStartZip,
    srExcludeList,
    srArchiveBitNotSet,
    srNoFileToFreshen,
};
enum TUpdateAction { uaReplacing, uaKeeping };
enum TMultiMode { mmNone, mmSpan, mmBlocks };

struct TMultiZipInfo {
    std::int64_t BlockSize = 1457600;
    std::int64_t FirstBlockSize = 0;
    std::int64_t SaveOnFirstDisk = 0;
    bool SaveZipInfoOnFirstDisk = false;
    TMultiMode MultiMode = mmNone; // only mmNone is written
    bool CheckDiskLabels = true;
    bool WriteDiskLabels = true;
};

// Message number of the warning for a file that became shorter while it was read.
inline constexpr int kMsgFileShrank = 208;
// Text of that warning; "%s" stands for the file name.
std::string FileShrankText(const std::string& fileName);

class TZipWriter : public TZipReader {
public:
    TZipWriter() = default;

    // --- properties ---
    std::vector<std::string>& FilesList() { return filesList_; }
    const std::vector<std::string>& FilesList() const { return filesList_; }
    void SetFilesList(std::vector<std::string> files) { filesList_ = std::move(files); }
    int PackLevel() const { return packLevel_; }
    void SetPackLevel(int level) { packLevel_ = level < 0 ? 0 : level > 9 ? 9 : level; }
    bool StorePaths() const { return storePaths_; }
    void SetStorePaths(bool value);
    bool RelativePaths() const { return relativePaths_; }
    void SetRelativePaths(bool value);
    bool StoreVolumes() const { return storeVolumes_; }
    void SetStoreVolumes(bool value);
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& dir);
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& value) { password_ = value; }
    TZipAction ZipAction() const { return zipAction_; }
    void SetZipAction(TZipAction value) { zipAction_ = value; }
    const std::string& TempPath() const { return tempPath_; }
    void SetTempPath(const std::string& value) { tempPath_ = value; }
    bool Recurse() const { return recurse_; }
    void SetRecurse(bool value) { recurse_ = value; }
    std::vector<std::string>& ExcludeList() { return excludeList_; }
    std::vector<std::string>& NoCompressList() { return noCompressList_; }
    std::vector<std::string>& RelativePathList() { return relativePathList_; }
    bool IncludeHiddenFiles() const { return includeHidden_; }
    void SetIncludeHiddenFiles(bool value) { includeHidden_ = value; }
    bool IncludeSysFiles() const { return includeSys_; }
    void SetIncludeSysFiles(bool value) { includeSys_ = value; }
    bool IncludeReadOnlyFiles() const { return includeReadOnly_; }
    void SetIncludeReadOnlyFiles(bool value) { includeReadOnly_ = value; }
    bool IncludeArchiveFiles() const { return includeArchive_; }
    void SetIncludeArchiveFiles(bool value) { includeArchive_ = value; }
    bool SkipIfArchiveBitNotSet() const { return skipIfArchiveBitNotSet_; }
    void SetSkipIfArchiveBitNotSet(bool value) { skipIfArchiveBitNotSet_ = value; }
    // ResetArchiveBitOnZip and Store83Names have no effect on POSIX, which has neither an
    // archive attribute nor short names; they are kept for the Windows build.
    bool ResetArchiveBitOnZip() const { return resetArchiveBit_; }
    void SetResetArchiveBitOnZip(bool value) { resetArchiveBit_ = value; }
    bool Dispose() const { return dispose_; }
    void SetDispose(bool value) { dispose_ = value; }
    bool Store83Names() const { return store83Names_; }
    void SetStore83Names(bool value) { store83Names_ = value; }
    TEncryptStrength EncryptStrength() const { return encryptStrength_; }
    void SetEncryptStrength(TEncryptStrength value) { encryptStrength_ = value; }
    // Deflating threads: 0 (the default) for KORVEL_ZIP_THREADS when set, else one per
    // core; 1 deflates on the caller's thread alone. Any count writes the same bytes.
    int Threads() const { return threads_; }
    void SetThreads(int value) { threads_ = value < 0 ? 0 : value; }
    // Volume settings: spanned archives are not written, every archive is one file.
    TMultiZipInfo& MultiZipInfo() { return multiZipInfo_; }
    // Read-only 0x01, hidden 0x02, system 0x04, archive 0x20 switched by the Include*
    // properties; volume 0x08 and directory 0x10 always in. 0x39 with the defaults.
    std::uint32_t AttributeMask() const;

    // --- operations ---
    // Adds FilesList to ZipName; returns the number of entries written in this call.
    int Zip();
    // Writes `stubFile` (followed by `optionSize` bytes of `optionData`) and then the
    // archive: a self-extracting archive at `archiveFile`. 0 when a path is empty.
    int ZipToSfx(const std::string& stubFile, const std::string& archiveFile,
                 const void* optionData = nullptr, int optionSize = 0);
    // From an event handler: stop at the next block written.
    void CancelOperation() {
        cancel_ = true;
        pause_ = false;
    }
    void SetPause(bool value) { pause_ = value; }
    bool Paused() const { return pause_; }
    bool InProgress() const { return inProgress_; }

    // --- events (each called only when assigned) ---
    std::function<void(TZipWriter&, int numFiles, std::int64_t totalBytes, TEndCentral&, bool& stopNow)>
        OnStartZipInfo;
    std::function<void(TZipWriter&, const std::string& fileName, TZipHeaderInfo&, bool& skip)> OnStartZip;
    std::function<void(TZipWriter&, const std::string& fileName, std::uint64_t uncompressedSize,
                       std::uint64_t compressedSize, std::uint64_t currentZipSize)>
        OnEndZip;
    std::function<void(TZipWriter&, const std::string& fileName)> OnNoSuchFile;
    // Besides the reasons of the format, srFileOpenError for a pipe, socket or device
    // and srBadPath for a name whose "\" would become a separator: files the caller
    // should report as not backed up.
    std::function<void(TZipWriter&, TSkipReason, const std::string& fileName, int fileIndex, bool& retry)>
        OnSkippingFile;
    std::function<void(TZipWriter&, int percent)> OnFilePercentDone;
    std::function<void(TZipWriter&, int percent)> OnTotalPercentDone;
    std::function<void(TZipWriter&, int fileCount)> OnZipComplete;
    std::function<void(TZipWriter&, int messageId, const std::string& msg1, const std::string& msg2,
                       unsigned flags, int& result)>
        OnHandleMessage;
    std::function<void(TZipWriter&, TUpdateAction, const std::string& fileName)> OnUpdate;
    std::function<void(TZipWriter&, const std::string& fileName)> OnRecursingFile;
    // Shows the engine's warnings when OnHandleMessage is not assigned.
    MessageBoxFn MessageBox;

private:
    struct TRun;

    void CompleteFileList(TRun& run);
    void ExpandWildcard(TRun& run, std::string spec);
    bool AcceptFoundFile(TRun& run, const std::string& path, bool explicitName);
    void UpdateExistingArchive(TRun& run);
    void CarryOver(TRun& run, TZipHeaderInfo rec);
    bool ZipOneFile(TRun& run, const std::string& path);
    void StoreData(TRun& run, TZipFile& in, TZipHeaderInfo& rec, TZipEncryptor* enc, std::uint64_t limit,
                   std::uint64_t& read, std::uint32_t& crc);
    void DeflateData(TRun& run, const TZipFile& in, TZipEncryptor* enc, std::uint64_t size, bool pooled,
                     std::uint64_t& read, std::uint32_t& crc);
    // Starts the deflating threads for the files about to be zipped, in that order.
    void StartDeflating(TRun& run, const std::vector<std::string>& order);
    void WriteBlock(TRun& run, std::uint8_t* data, std::size_t size, TZipEncryptor* enc);
    void ReportRead(TRun& run, std::uint64_t fileDone, std::uint64_t fileSize, std::size_t block);
    void WriteCentralDirectory(TRun& run);
    void WriteStub(TRun& run);
    std::string TemporaryDirectory() const;
    // Permission bits of an updated archive: those of the archive it replaces.
    unsigned UpdatedArchiveMode() const;
    TStoredNameRules NameRules() const;
    bool InArchiveBeingRead(const std::string& storedKey) const;
    void Skipping(TSkipReason reason, const std::string& fileName);
    int HandleMessage(int id, const std::string& msg1, const std::string& msg2, unsigned flags);

    std::vector<std::string> filesList_;
    int packLevel_ = 6;
    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;
    std::string rootDir_;
    std::string password_;
    TZipAction zipAction_ = zaUpdate;
    std::string tempPath_;
    bool recurse_ = false;
    std::vector<std::string> excludeList_;
    std::vector<std::string> noCompressList_;
    std::vector<std::string> relativePathList_;
    bool includeHidden_ = false;
    bool includeSys_ = false;
    bool includeReadOnly_ = true;
    bool includeArchive_ = true;
    bool skipIfArchiveBitNotSet_ = false;
    bool resetArchiveBit_ = false;
    bool dispose_ = false;
    bool store83Names_ = false;
    TEncryptStrength encryptStrength_ = esPKStandard;
    TMultiZipInfo multiZipInfo_;
    int threads_ = 0;

    bool inProgress_ = false;
    // Self-extracting output: the stub copied to the start of the archive, and the
    // name an updated ".zip" goes to instead of ZipName.
    std::string stubPath_;
    std::string alternativeTarget_;
    bool creatingSfx_ = false;
};

} // namespace korvel
