// Zipping one file: its local header, its data (stored or deflated, encrypted
// when a password is set) and the header patched in place with the final values.

#include <cstring>
#include <optional>
#include <utility>
#include <vector>
#include <zlib.h>

#include "archive/zip_deflate_block.h"
#include "archive/zip_encryption.h"
#include "archive/zip_records.h"
#include "archive/zip_writer.h"
#include "archive/zip_writer_run.h"
#include "platform/file_system.h"

namespace korvel {

namespace {

constexpr std::size_t kStoreBlock = 32768;
constexpr std::size_t kCrcBlock = 8192;

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return 100;
    return static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
}

// Keeps both size fields on their Zip64 markers for a large entry, so that the local
// header written before the data and the one patched after it have one length.
void ForceZip64Sizes(TZipHeaderInfo& rec) {
    const std::uint64_t u = rec.UncompressedSize();
    const std::uint64_t c = rec.CompressedSize();
    if (!rec.Zip64)
        rec.Zip64.emplace();
    rec.Zip64->UncompressedSize = u;
    rec.Zip64->CompressedSize = c;
    rec.UncompressedSize32 = kMarker32;
    rec.CompressedSize32 = kMarker32;
}

std::uint32_t CrcOfFile(TZipFile& in, std::uint64_t limit) {
    std::vector<std::uint8_t> buf(kCrcBlock);
    uLong crc = crc32(0L, Z_NULL, 0);
    std::uint64_t total = 0;
    while (total < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), limit - total));
        const std::size_t n = in.Read(buf.data(), want);
        if (n == 0)
            break;
        crc = crc32(crc, buf.data(), static_cast<uInt>(n));
        total += n;
    }
    in.Seek(0);
    return static_cast<std::uint32_t>(crc);
}

} // namespace

void TZipWriter::ReportRead(TRun& run, std::uint64_t fileDone, std::uint64_t fileSize, std::size_t block) {
    run.doneBytes += block;
    if (OnFilePercentDone)
        OnFilePercentDone(*this, Percent(fileDone, fileSize));
    if (OnTotalPercentDone)
        OnTotalPercentDone(*this, Percent(run.doneBytes, run.totalBytes));
}

void TZipWriter::WriteBlock(TRun& run, std::uint8_t* data, std::size_t size, TZipEncryptor* enc) {
    if (enc)
        enc->EncryptBlock(data, size);
    run.out.Write(data, size);
    run.outputBytes += size;
    // The cancel flag is honoured even without message processing: a handler of
    // OnEndZip may have set it.
    if (DoProcessMessages())
        ProcessMessagesAndCheckCancel();
    else
        CheckCancel();
}

void TZipWriter::StoreData(TRun& run, TZipFile& in, TZipHeaderInfo& rec, TZipEncryptor* enc,
                           std::uint64_t limit, std::uint64_t& read, std::uint32_t& crc) {
    std::vector<std::uint8_t> buf(kStoreBlock);
    uLong c = crc32(0L, Z_NULL, 0);
    const std::uint64_t expected = rec.UncompressedSize();
    while (read < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), limit - read));
        const std::size_t n = in.Read(buf.data(), want);
        if (n == 0)
            break;
        read += n;
        c = crc32(c, buf.data(), static_cast<uInt>(n));
        ReportRead(run, read, expected, n);
        WriteBlock(run, buf.data(), n, enc);
    }
    crc = static_cast<std::uint32_t>(c);
}

void TZipWriter::DeflateData(TRun& run, const TZipFile& in, TZipEncryptor* enc, std::uint64_t size,
                             bool pooled, std::uint64_t& read, std::uint32_t& crc) {
    const std::size_t item = run.item - 1;
    const auto idle = [this] {
        if (DoProcessMessages())
            ProcessMessagesAndCheckCancel();
    };
    uLong c = crc32(0L, Z_NULL, 0);
    TByteBuffer tail;
    // The blocks this thread deflates itself, and their input: buffers kept from
    // block to block.
    TDeflatedBlock own;
    TByteBuffer input;
    const std::uint64_t count = BlockCount(size);
    for (std::uint64_t i = 0; i < count; ++i) {
        const TBlockSpan span = BlockOf(size, i);
        std::optional<TDeflatedBlock> ahead;
        if (pooled)
            ahead = run.pool->Next(item, i, idle);
        TDeflatedBlock* block = ahead ? &*ahead : &own;
        // A block read ahead after the file changed under it would refer back to
        // bytes that were never written: made again from what was written.
        if (!ahead || ahead->Dictionary != tail) {
            ReadAndDeflate(in, PackLevel(), span, tail, input, own);
            block = &own;
        }
        read += block->Read;
        c = crc32_combine(c, block->Crc, static_cast<z_off_t>(block->Read));
        ReportRead(run, read, size, static_cast<std::size_t>(block->Read));
        WriteBlock(run, block->Data.data(), block->Data.size(), enc);
        if (ahead)
            run.pool->Recycle(std::move(ahead->Data));
        if (block->Read < span.Length) {
            // The file shrank: the stream ends where its bytes did.
            if (!span.Last) {
                std::uint8_t end[sizeof kDeflateEnd];
                std::memcpy(end, kDeflateEnd, sizeof end);
                WriteBlock(run, end, sizeof end, enc);
            }
            break;
        }
        std::swap(tail, block->Tail);
    }
    crc = static_cast<std::uint32_t>(c);
}

bool TZipWriter::ZipOneFile(TRun& run, const std::string& path) {
    ++run.item;
    TZipHeaderInfo rec(OEMConvert());
    const bool isDir = EndsWithSeparator(path);
    TZipFile in;
    std::uint64_t size = 0;
    if (isDir) {
        TFileInfo info;
        if (GetFileInfo(path, info) && info.IsDirectory) {
            rec.DateTime = FileTimeToDos(info.ModTime);
            rec.ExternalAttributes = info.Attributes;
        } else {
            rec.DateTime = DateTimeToDos(Now());
        }
        rec.CRC32 = 0;
        rec.CompressionMethod = kMethodStored;
    } else {
        TFileInfo info;
        if (!GetFileInfo(path, info) || info.IsDirectory) {
            if (OnNoSuchFile)
                OnNoSuchFile(*this, path);
            return false;
        }
        const TFileId id = FileIdOf(path);
        if (id == run.outputId || id == run.oldArchiveId) {
            run.totalBytes -= std::min(run.totalBytes, info.Size);
            return false;
        }
        rec.ExternalAttributes = info.Attributes;
        try {
            in = TZipFile::OpenRead(path);
        } catch (const ENotRegularFile&) {
            // Replaced by a pipe or a device since the list was made.
            Skipping(srFileOpenError, path);
            run.totalBytes -= std::min(run.totalBytes, info.Size);
            return false;
        }
        rec.DateTime = FileTimeToDos(in.ModTime());
        size = in.Size();
        rec.SetUncompressedSize(size);
    }
    const TStoredName stored = StoredNameOf(store83Names_ ? ShortPathName(path) : path, NameRules());
    // Without stored paths a directory entry would have no name at all.
    if (isDir && stored.Directory.empty())
        return false;
    rec.SetDirectory(stored.Directory);
    rec.SetFileName(isDir ? std::string() : stored.FileName);
    rec.SetRelativeOffset(run.out.Position());
    rec.InternalAttributes = 0;
    rec.SetDiskNumberStart(0);

    const std::string key = LowerName(rec.FullName());
    if (run.names.count(key)) {
        Skipping(srNoOverwrite, path);
        run.totalBytes -= std::min(run.totalBytes, size);
        return false;
    }
    if (OnStartZip) {
        bool skip = false;
        OnStartZip(*this, path, rec, skip);
        if (skip) {
            Skipping(srSkippedInStartZip, path);
            run.totalBytes -= std::min(run.totalBytes, size);
            return false;
        }
    }
    const bool encrypt = !Password().empty() && !isDir;
    if (encrypt) {
        rec.Flags |= kFlagEncrypted;
        rec.AesStrength = static_cast<std::uint8_t>(EncryptStrength());
    }
    const bool store = PackLevel() == 0 || MatchesAnyPattern(noCompressList_, path);
    if (!isDir) {
        if (PackLevel() < 3)
            rec.Flags |= kFlagFast;
        if (PackLevel() > 7)
            rec.Flags |= kFlagMaximum;
        rec.CompressionMethod = store ? kMethodStored : kMethodDeflate;
    }
    EncodeEntryName(rec);
    const bool large = !isDir && size >= kZip64Threshold;
    if (large)
        ForceZip64Sizes(rec);
    const std::uint64_t headerAt = rec.RelativeOffset();
    const std::string firstHeader = BuildLocalHeader(rec);
    run.out.Write(firstHeader);
    const std::uint64_t dataStart = run.out.Position();

    if (!isDir) {
        std::unique_ptr<TZipEncryptor> enc;
        // An entry that did not start large must not grow past what its header can hold.
        const std::uint64_t limit = large ? UINT64_MAX : kZip64Threshold;
        // What was deflated ahead counts only if the file is still the one planned:
        // OnStartZip may have changed it.
        const bool pooled =
            run.pool && !store && in.Size() == size && run.pool->Claim(run.item - 1, size, in.ModTime());
        if (encrypt) {
            // Only the traditional header's check byte needs the CRC before the data; for
            // AES the CRC comes with the deflated blocks, and a pass of its own would read
            // the whole file on this thread while the deflating threads wait.
            if (rec.AesStrength == 0)
                rec.CRC32 = CrcOfFile(in, limit);
            enc = rec.AesStrength != 0 ? MakeAesEncryptor(Password(), rec.AesStrength)
                                       : MakeTraditionalEncryptor(Password(), rec.CRC32);
            if (!enc)
                throw EZipException("The password cannot be used for AES encryption of \"" + path + "\"");
            run.out.Write(enc->Header());
        }
        std::uint64_t read = 0;
        std::uint32_t crc = 0;
        if (store)
            StoreData(run, in, rec, enc.get(), limit, read, crc);
        else
            DeflateData(run, in, enc.get(), size, pooled, read, crc);
        if (run.pool)
            run.pool->Release(run.item - 1);
        if (enc)
            run.out.Write(enc->Trailer());
        if (read < size)
            HandleMessage(kMsgFileShrank, FileShrankText(path), path, 0);
        rec.SetUncompressedSize(read);
        rec.SetCompressedSize(run.out.Position() - dataStart);
        rec.CRC32 = crc;
        if (large)
            ForceZip64Sizes(rec);
        const std::string finalHeader = BuildLocalHeader(rec);
        if (finalHeader.size() != firstHeader.size())
            throw EZipException("Internal error: the local header of \"" + path + "\" changed its length");
        run.out.WriteAt(headerAt, finalHeader);
        in = TZipFile();
        if (resetArchiveBit_)
            ClearArchiveAttribute(path);
    }
    run.names.insert(key);
    run.written.push_back(rec);
    ++run.count;
    if (OnEndZip) {
        const TZipHeaderInfo& done = run.written.back();
        OnEndZip(*this, path, isDir ? 0 : done.UncompressedSize(), isDir ? 0 : done.CompressedSize(),
                 run.out.Position());
    }
    return true;
}

} // namespace korvel
