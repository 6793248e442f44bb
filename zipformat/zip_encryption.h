#pragma once
// Encryption of one archive entry's data, as the writer sees it: bytes that go
// before the data, each data block encrypted in place just before it is written,
// and bytes that go after the data. Decryption mirrors it for readers.
// Everything here is deterministic; the archive engine adds the encryptors that
// draw their random header bytes or salt (archive/zip_encryption.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

class TZipEncryptor {
public:
    virtual ~TZipEncryptor() = default;
    // Written right after the local header; counted in the compressed size.
    virtual std::string Header() = 0;
    virtual void EncryptBlock(std::uint8_t* data, std::size_t size) = 0;
    // Written right after the last data block; counted in the compressed size.
    virtual std::string Trailer() = 0;
};

class TZipDecryptor {
public:
    virtual ~TZipDecryptor() = default;
    // Size of the header that precedes the data and of the trailer that follows it.
    virtual std::size_t HeaderSize() const = 0;
    virtual std::size_t TrailerSize() const = 0;
    // Checks the password against the header; false for a wrong password.
    virtual bool Start(const std::uint8_t* header) = 0;
    virtual void DecryptBlock(std::uint8_t* data, std::size_t size) = 0;
    // Checks the trailer (authentication code) once all data was decrypted.
    virtual bool Finish(const std::uint8_t* trailer) = 0;
};

// Traditional PKWARE encryption. `crc` is the entry's final CRC-32: the last two
// header bytes are its high bytes. The ten random header bytes come from a
// generator seeded from `seed`.
std::unique_ptr<TZipEncryptor> MakeTraditionalEncryptor(const std::string& password, std::uint32_t crc,
                                                        std::uint64_t seed);
// `checkByte` is the byte the last header byte must decrypt to (the CRC's high byte).
std::unique_ptr<TZipDecryptor> MakeTraditionalDecryptor(const std::string& password, std::uint8_t checkByte);

// WinZip AES (strength 1, 2, 3 = AES-128, 192, 256). AE-1 and AE-2 encrypt alike; they
// differ only in the AES block's vendor version and in whether the headers record the
// CRC, which is the writer's part. Returns nullptr when the key derivation refuses the
// password (longer than 128 bytes), the strength is not 1 to 3 or the salt is not
// 4 * strength + 4 bytes long.
std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength,
                                                const std::string& salt);
std::unique_ptr<TZipDecryptor> MakeAesDecryptor(const std::string& password, int strength);

} // namespace korvel
