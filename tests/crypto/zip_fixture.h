#pragma once
// Just enough ZIP writing to hand encrypted entries to peer tools: one entry, a local
// header, its stored bytes, one central header and the end record.

#include "archive/zip_encryption.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

namespace korvel::test {

struct TEntryBytes {
    std::string name = "data.bin";
    std::uint16_t method = 0; // 0, 8 or 99
    std::uint16_t flags = 1;
    std::uint32_t crc = 0;
    std::uint32_t uncompressedSize = 0;
    std::string stored; // everything between local header and next record
    std::string extra;  // the same extra field in both headers
};

// Bytes written as numbers, for values copied from a hex dump.
std::string Bytes(std::initializer_list<int> values);

std::string SingleEntryZip(const TEntryBytes& entry);

// AES block (tag 0x9901) as WinZip defines it.
std::string AesExtraBlock(std::uint16_t vendorVersion, int strength, std::uint16_t method);

std::uint32_t Crc32(const std::string& data);
std::string RawDeflate(const std::string& data, int level = 6);
std::string RawInflate(const std::string& data, std::size_t expectedSize);

// Header, data fed in chunks of `chunk` bytes, trailer.
std::string EncryptAll(TZipEncryptor& encryptor, std::string data, std::size_t chunk);
// nullopt when the header check or the trailer check fails.
std::optional<std::string> DecryptAll(TZipDecryptor& decryptor, const std::string& stored, std::size_t chunk);

// Incompressible and compressible parts, deterministic.
std::string SampleData(std::size_t size, std::uint32_t seed = 1);

// A directory under the system temporary directory, removed with the object.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

bool HaveProgram(const std::string& name);
std::string Quote(const std::string& text);
// Runs a shell command with its output discarded; returns the exit status.
int RunQuiet(const std::string& command);
// Runs a shell command and returns its standard output; `status` gets the exit status.
std::string Capture(const std::string& command, int& status);

} // namespace korvel::test
