#pragma once
// The stub's own file opened for reading, with reads that refuse any range
// outside the file: every offset and size in an archive is untrusted.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvel::sfx {

// A failure that ends the whole run: no archive, a damaged directory, a read error.
class TSfxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TArchiveFile {
public:
    explicit TArchiveFile(const std::string& path); // throws TSfxError
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    std::uint64_t Size() const { return size_; }
    bool Contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    // Reads exactly `length` bytes at `offset`; throws TSfxError when the range
    // lies outside the file or the read comes up short.
    void ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const;
    std::string ReadString(std::uint64_t offset, std::size_t length) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace korvel::sfx
