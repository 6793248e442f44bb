#pragma once
// A file descriptor with the few operations the archive engine needs: a
// buffered writer that can seek back to patch a header, positioned reads for
// the archive being read, and errors turned into the engine's exceptions.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace korvel {

class TZipFile {
public:
    TZipFile() = default;
    ~TZipFile();
    TZipFile(TZipFile&& other) noexcept;
    TZipFile& operator=(TZipFile&& other) noexcept;
    TZipFile(const TZipFile&) = delete;
    TZipFile& operator=(const TZipFile&) = delete;

    // Throws EFOpenError with the system's reason.
    static TZipFile OpenRead(const std::string& path);
    // Creates or truncates; throws EFCreateError.
    static TZipFile Create(const std::string& path, unsigned mode = 0666);
    // Takes ownership of an open descriptor (from mkstemp) for writing.
    static TZipFile Adopt(int fd, const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
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
    std::timespec ModTime() const;

    void Flush();
    // Flushes the written bytes to the disk itself.
    void Sync();
    // Flushes and closes; throws on a failed flush. The destructor closes silently.
    void Close();

private:
    TZipFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    void WriteDirect(const char* data, std::size_t size);

    int fd_ = -1;
    std::string path_;
    std::uint64_t position_ = 0;
    std::vector<char> buffer_;
};

} // namespace korvel
