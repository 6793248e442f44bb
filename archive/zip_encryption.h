#pragma once
// The writer's encryptors: those of the ZIP format library, with their random
// parts drawn here, where the archive engine may use the system's entropy.

#include "zipformat/zip_encryption.h"

namespace korvel {

// Traditional encryption with the ten header bytes from a generator seeded from
// the clock and the system's entropy for each entry.
std::unique_ptr<TZipEncryptor> MakeTraditionalEncryptor(const std::string& password, std::uint32_t crc);
// WinZip AES with a random salt; nullptr as for the salted form.
std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength);

} // namespace korvel
