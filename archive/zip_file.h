#pragma once
// An open file with the few operations the archive engine needs: a buffered
// writer that can seek back to patch a header, positioned reads for the archive
// being read, and the platform's errors turned into the engine's exceptions.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/raw_file.h"

namespace korvel {

class TZipFile {
public:
    TZipFile() = default;
    TZipFile(TZipFile&& other) noexcept = default;
    TZipFile& operator=(TZipFile&& other) noexcept = default;
    TZipFile(const TZipFile&) = delete;
    TZipFile& operator=(const TZipFile&) = delete;

    // Throws EFOpenError with the system's reason.
    static TZipFile OpenRead(const std::string& path);
    // Creates or truncates; throws EFCreateError.
    static TZipFile Create(const std::string& path, unsigned mode = 0666);
    // Takes ownership of an open descriptor (from CreateTempFile) for writing.
    static TZipFile Adopt(int fd, const std::string& path);

    bool IsOpen() const { return file_.IsOpen(); }
    int Descriptor() const { return file_.Descriptor(); }
    const std::string& Path() const { return path_; }

    // Sequential read from the current position; returns the count read (0 at the end).
    std::size_t Read(void* data, std::size_t size);
    // Positioned read that does not move the current position; returns the count read.
    std::size_t ReadAt(std::uint64_t offset, void* data, std::size_t size) const;

    // Buffered write; a short write (full disk) throws ENotEnoughRoom.
    void Write(const void* data, std::size_t size);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }

    // Overwrites bytes already written (a header patched after its data) without
    // moving the position; patches the buffer when the bytes are still in it.
    void WriteAt(std::uint64_t offset, const std::string& bytes);

    std::uint64_t Position() const { return position_; }
    void Seek(std::uint64_t offset);
    std::uint64_t Size() const;
    // Last-write time of the open file.
    timespec ModTime() const;

    void Flush();
    // Flushes the written bytes to the disk itself.
    void Sync();
    // Flushes and closes; throws on a failed flush. The destructor closes silently.
    void Close();

private:
    TZipFile(TRawFile file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
    void WriteDirect(const char* data, std::size_t size);
    [[noreturn]] void ThrowWriteError(const TFileError& error, const char* what) const;

    TRawFile file_;
    std::string path_;
    std::uint64_t position_ = 0;
    std::vector<char> buffer_;
};

} // namespace korvel
