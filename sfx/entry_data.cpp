#include "sfx/entry_data.h"

#include "zipformat/little_endian.h"
#include "zipformat/zip_encryption.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace korvel::sfx {

namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;

TDataResult Fail(TDataStatus status, std::string message) {
    return TDataResult{status, std::move(message)};
}

// Stored or deflated bytes in, plain bytes out, with CRC and length counted.
class TPlainOutput {
public:
    TPlainOutput(std::uint16_t method, std::uint64_t expectedSize, const TDataSink& sink)
        : method_(method), expected_(expectedSize), sink_(sink), out_(kChunk) {}
    ~TPlainOutput() {
        if (inflating_) {
            inflateEnd(&zs_);
        }
    }
    TPlainOutput(const TPlainOutput&) = delete;
    TPlainOutput& operator=(const TPlainOutput&) = delete;

    bool Init() {
        if (method_ == kMethodDeflate) {
            inflating_ = inflateInit2(&zs_, -15) == Z_OK;
            return inflating_;
        }
        return true;
    }

    TDataResult Feed(std::uint8_t* data, std::size_t size) {
        if (method_ == kMethodStored) {
            return Emit(data, size);
        }
        if (ended_) {
            return {}; // bytes after the end of the deflate stream are ignored
        }
        zs_.next_in = data;
        zs_.avail_in = static_cast<uInt>(size);
        // A full output buffer means inflate may hold more; otherwise all input was taken.
        do {
            zs_.next_out = out_.data();
            zs_.avail_out = static_cast<uInt>(out_.size());
            const int rc = inflate(&zs_, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                return Fail(TDataStatus::Damaged, "compressed data is damaged");
            }
            TDataResult emitted = Emit(out_.data(), out_.size() - zs_.avail_out);
            if (emitted.status != TDataStatus::Ok) {
                return emitted;
            }
            if (rc == Z_STREAM_END) {
                ended_ = true;
                break;
            }
            if (rc == Z_BUF_ERROR) {
                break; // no progress without more input
            }
        } while (zs_.avail_out == 0);
        return {};
    }

    TDataResult Finish() const {
        if (method_ == kMethodDeflate && !ended_) {
            return Fail(TDataStatus::Damaged, "compressed data ends early");
        }
        if (written_ != expected_) {
            return Fail(TDataStatus::Damaged, "size differs from the recorded size");
        }
        return {};
    }

    std::uint32_t Crc() const { return crc_; }

private:
    TDataResult Emit(const std::uint8_t* data, std::size_t size) {
        if (size == 0) {
            return {};
        }
        // More bytes than recorded is damage (or a bomb): stop before writing them.
        if (size > expected_ - written_) {
            return Fail(TDataStatus::Damaged, "data longer than the recorded size");
        }
        crc_ = static_cast<std::uint32_t>(crc32(crc_, data, static_cast<uInt>(size)));
        written_ += size;
        if (!sink_(data, size)) {
            return Fail(TDataStatus::WriteFailed, "");
        }
        return {};
    }

    std::uint16_t method_;
    std::uint64_t expected_;
    const TDataSink& sink_;
    std::vector<std::uint8_t> out_;
    z_stream zs_{};
    bool inflating_ = false;
    bool ended_ = false;
    std::uint64_t written_ = 0;
    std::uint32_t crc_ = 0;
};

std::unique_ptr<TZipDecryptor> MakeDecryptor(const TSfxEntry& entry, const std::string& password) {
    if (entry.method == kMethodAes) {
        return MakeAesDecryptor(password, entry.aesStrength);
    }
    // With a data descriptor the check byte is the high byte of the time, not of the CRC.
    const auto check = (entry.flags & kFlagDataDescriptor) != 0
                           ? static_cast<std::uint8_t>(entry.dosDateTime >> 8)
                           : static_cast<std::uint8_t>(entry.crc >> 24);
    return MakeTraditionalDecryptor(password, check);
}

} // namespace

TDataResult ExtractEntryData(const TArchiveFile& file, const TSfxEntry& entry,
                             const std::optional<std::string>& password, const TDataSink& sink) {
    if (entry.method == kMethodAes &&
        (!entry.hasAesBlock || entry.aesStrength < 1 || entry.aesStrength > 3)) {
        return Fail(TDataStatus::Unsupported, "AES entry without a valid AES extra block");
    }
    if (entry.IsEncrypted() && (entry.flags & kFlagStrongEncryption) != 0) {
        return Fail(TDataStatus::Unsupported, "strong encryption is not supported");
    }
    const std::uint16_t method = entry.RealMethod();
    if (method != kMethodStored && method != kMethodDeflate) {
        return Fail(TDataStatus::Unsupported,
                    "compression method " + std::to_string(method) + " is not supported");
    }

    std::uint8_t local[kLocalHeaderSize];
    if (!file.Contains(entry.localHeaderOffset, kLocalHeaderSize)) {
        return Fail(TDataStatus::Damaged, "local header outside the file");
    }
    file.ReadAt(entry.localHeaderOffset, local, kLocalHeaderSize);
    if (GetU32(local) != kLocalSignature) {
        return Fail(TDataStatus::Damaged, "local header missing");
    }
    const std::uint64_t dataStart =
        entry.localHeaderOffset + kLocalHeaderSize + GetU16(local + 26) + GetU16(local + 28);
    if (!file.Contains(dataStart, entry.compressedSize)) {
        return Fail(TDataStatus::Damaged, "entry data runs past the end of the file");
    }

    std::unique_ptr<TZipDecryptor> decryptor;
    std::uint64_t position = dataStart;
    std::uint64_t remaining = entry.compressedSize;
    if (entry.IsEncrypted()) {
        if (!password) {
            return Fail(TDataStatus::PasswordNeeded, "a password is needed");
        }
        decryptor = MakeDecryptor(entry, *password);
        if (!decryptor) {
            return Fail(TDataStatus::WrongPassword, "incorrect password");
        }
        const std::size_t overhead = decryptor->HeaderSize() + decryptor->TrailerSize();
        if (remaining < overhead) {
            return Fail(TDataStatus::Damaged, "encrypted entry shorter than its encryption header");
        }
        std::vector<std::uint8_t> header(decryptor->HeaderSize());
        file.ReadAt(position, header.data(), header.size());
        if (!decryptor->Start(header.data())) {
            return Fail(TDataStatus::WrongPassword, "incorrect password");
        }
        position += header.size();
        remaining -= overhead;
    }

    TPlainOutput output(method, entry.uncompressedSize, sink);
    if (!output.Init()) {
        return Fail(TDataStatus::Damaged, "decompressor could not start");
    }
    std::vector<std::uint8_t> buffer(kChunk);
    while (remaining > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
        file.ReadAt(position, buffer.data(), n);
        if (decryptor) {
            decryptor->DecryptBlock(buffer.data(), n);
        }
        TDataResult fed = output.Feed(buffer.data(), n);
        if (fed.status != TDataStatus::Ok) {
            // A wrong traditional password passes the one-byte check one time in 256;
            // the garbage it yields then fails here or at the CRC.
            return fed;
        }
        position += n;
        remaining -= n;
    }
    if (decryptor && decryptor->TrailerSize() > 0) {
        std::vector<std::uint8_t> trailer(decryptor->TrailerSize());
        file.ReadAt(position, trailer.data(), trailer.size());
        if (!decryptor->Finish(trailer.data())) {
            return Fail(TDataStatus::AuthFailed, "authentication code does not match (damaged data)");
        }
    }
    TDataResult finished = output.Finish();
    if (finished.status != TDataStatus::Ok) {
        return finished;
    }
    // AE-2 entries record no CRC; their authentication code stands in for it.
    const bool crcRecorded = !(entry.method == kMethodAes && entry.aesVendorVersion == 2 && entry.crc == 0);
    if (crcRecorded && output.Crc() != entry.crc) {
        return Fail(TDataStatus::CrcMismatch, "CRC error: the extracted data is damaged");
    }
    return {};
}

} // namespace korvel::sfx
