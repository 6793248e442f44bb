#pragma once
// An open file with sequential and positioned reads and writes, for the archive
// engine: the system's calls behind one small interface. Every failing call returns
// false and describes the failure in a TFileError.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace korvel {

struct TFileError {
    // The disk or the user's quota is full, or the file grew past what the file system holds.
    bool NoRoom = false;
    // The path named something other than a regular file (a directory, a FIFO, a device).
    bool NotRegular = false;
    std::string Text; // the system's reason
};

class TRawFile {
public:
    TRawFile() = default;
    // Takes ownership of an open descriptor (CreateTempFile's), positioned at its start.
    explicit TRawFile(int fd) : fd_(fd) {}
    ~TRawFile();
    TRawFile(TRawFile&& other) noexcept;
    TRawFile& operator=(TRawFile&& other) noexcept;
    TRawFile(const TRawFile&) = delete;
    TRawFile& operator=(const TRawFile&) = delete;

    // An existing regular file, for reading; opening never waits (a FIFO is refused, not opened).
    bool OpenRead(const std::string& path, TFileError& error);
    // Creates or truncates a file for reading and writing, with `mode` where the system has modes.
    bool Create(const std::string& path, unsigned mode, TFileError& error);

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Reads at most `size` bytes from the current position into `done` (0 at the end).
    bool Read(void* data, std::size_t size, std::size_t& done, TFileError& error);
    // Reads at `offset` without moving the current position.
    bool ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& done,
                TFileError& error) const;
    // Writes everything at the current position, or fails.
    bool Write(const void* data, std::size_t size, TFileError& error);
    // Writes everything at `offset` without moving the current position, or fails.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, TFileError& error);
    bool Seek(std::uint64_t offset, TFileError& error);
    bool Stat(std::uint64_t& size, timespec& modTime, TFileError& error) const;
    // Flushes the written bytes to the disk itself.
    bool Sync(TFileError& error);
    // Closes; a failure may still report data that never reached the disk.
    bool Close(TFileError& error);

private:
    int fd_ = -1;
    std::uint64_t position_ = 0; // kept by hand where positioned calls move the system's
};

} // namespace korvel
