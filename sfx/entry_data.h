#pragma once
// Reading one entry's data out of the archive: local header, decryption,
// inflation, and the checks that prove the bytes are the ones archived.

#include "sfx/archive_file.h"
#include "sfx/zip_directory.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace korvel::sfx {

enum class TDataStatus {
    Ok,
    PasswordNeeded,
    WrongPassword,
    Unsupported,
    Damaged, // headers or compressed stream broken
    CrcMismatch,
    AuthFailed,  // AES authentication code did not match
    WriteFailed, // the sink refused the bytes
};

struct TDataResult {
    TDataStatus status = TDataStatus::Ok;
    std::string message; // for the user; empty when Ok
};

// Receives the plain bytes in order; returns false to abandon the entry.
using TDataSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Streams the entry's plain data to `sink`. `password` is required only for
// encrypted entries. Throws TSfxError only for read errors of the file itself.
TDataResult ExtractEntryData(const TArchiveFile& file, const TSfxEntry& entry,
                             const std::optional<std::string>& password, const TDataSink& sink);

} // namespace korvel::sfx
