#include "archive/zip_file.h"

#include <algorithm>
#include <cstring>

#include "archive/zip_exceptions.h"

namespace korvel {

namespace {
constexpr std::size_t kBufferSize = 8192;
} // namespace

void TZipFile::ThrowWriteError(const TFileError& error, const char* what) const {
    // The user learns which file the disk had no room for, and the system's word for it.
    if (error.NoRoom)
        throw ENotEnoughRoom(std::string(kNotEnoughRoom) + " \"" + path_ + "\". " + error.Text);
    throw EStreamError(std::string(what) + " \"" + path_ + "\". " + error.Text);
}

TZipFile TZipFile::OpenRead(const std::string& path) {
    TRawFile file;
    TFileError error;
    if (!file.OpenRead(path, error)) {
        if (error.NotRegular)
            throw ENotRegularFile("Cannot open file \"" + path + "\". " + kNotRegularFile);
        throw EFOpenError("Cannot open file \"" + path + "\". " + error.Text);
    }
    return TZipFile(std::move(file), path);
}

TZipFile TZipFile::Create(const std::string& path, unsigned mode) {
    TRawFile file;
    TFileError error;
    if (!file.Create(path, mode, error))
        throw EFCreateError("Cannot create file \"" + path + "\". " + error.Text);
    return TZipFile(std::move(file), path);
}

TZipFile TZipFile::Adopt(int fd, const std::string& path) {
    return TZipFile(TRawFile(fd), path);
}

std::size_t TZipFile::Read(void* data, std::size_t size) {
    std::size_t done = 0;
    TFileError error;
    if (!file_.Read(data, size, done, error))
        throw EStreamError("Read error on \"" + path_ + "\". " + error.Text);
    position_ += done;
    return done;
}

std::size_t TZipFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
    std::size_t done = 0;
    TFileError error;
    if (!file_.ReadAt(offset, data, size, done, error))
        throw EStreamError("Read error on \"" + path_ + "\". " + error.Text);
    return done;
}

void TZipFile::WriteDirect(const char* data, std::size_t size) {
    TFileError error;
    if (!file_.Write(data, size, error))
        ThrowWriteError(error, "Write error on");
}

void TZipFile::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    if (buffer_.size() + size > kBufferSize) {
        Flush();
        if (size >= kBufferSize) {
            WriteDirect(p, size);
            position_ += size;
            return;
        }
    }
    buffer_.insert(buffer_.end(), p, p + size);
    position_ += size;
}

void TZipFile::WriteAt(std::uint64_t offset, const std::string& bytes) {
    const std::uint64_t bufferStart = position_ - buffer_.size();
    if (offset >= bufferStart && offset + bytes.size() <= position_) {
        std::memcpy(buffer_.data() + (offset - bufferStart), bytes.data(), bytes.size());
        return;
    }
    Flush();
    TFileError error;
    if (!file_.WriteAt(offset, bytes.data(), bytes.size(), error))
        ThrowWriteError(error, "Write error on");
}

void TZipFile::Flush() {
    if (buffer_.empty())
        return;
    // Clear first: after a failed write the bytes must not be written again by Close.
    std::vector<char> pending;
    pending.swap(buffer_);
    WriteDirect(pending.data(), pending.size());
}

void TZipFile::Seek(std::uint64_t offset) {
    Flush();
    TFileError error;
    if (!file_.Seek(offset, error))
        throw EStreamError("Seek error on \"" + path_ + "\". " + error.Text);
    position_ = offset;
}

std::uint64_t TZipFile::Size() const {
    std::uint64_t onDisk = 0;
    timespec modTime{};
    TFileError error;
    if (!file_.Stat(onDisk, modTime, error))
        throw EStreamError("Cannot examine \"" + path_ + "\". " + error.Text);
    return std::max<std::uint64_t>(onDisk, position_);
}

timespec TZipFile::ModTime() const {
    std::uint64_t size = 0;
    timespec modTime{};
    TFileError error;
    if (!file_.Stat(size, modTime, error))
        throw EStreamError("Cannot examine \"" + path_ + "\". " + error.Text);
    return modTime;
}

void TZipFile::Sync() {
    Flush();
    TFileError error;
    if (!file_.Sync(error))
        ThrowWriteError(error, "Cannot flush");
}

void TZipFile::Close() {
    if (!file_.IsOpen())
        return;
    TFileError error;
    try {
        Flush();
    } catch (...) {
        file_.Close(error);
        throw;
    }
    if (!file_.Close(error))
        ThrowWriteError(error, "Cannot close");
}

} // namespace korvel
