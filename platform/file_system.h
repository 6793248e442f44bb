#pragma once
// File attributes, times and directories, in the terms the backup engine and the
// archive writer use (Windows attribute words, local date-times).

#include <cstdint>
#include <ctime>
#include <string>

namespace korvel {

// Windows file attribute bits, used for archive entries and file searches.
enum : std::uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
};

struct TFileInfo {
    bool IsDirectory = false;
    std::uint64_t Size = 0;
    timespec ModTime{}; // last write, seconds since the Unix epoch
    unsigned Mode = 0;  // POSIX permission bits
    // The Windows attribute word: archive for files, directory for directories,
    // read-only when the owner cannot write. POSIX has no hidden or system files.
    std::uint32_t Attributes = 0;
    // A FIFO, socket or device: opening one for reading can block for good, so
    // no backup step ever reads it.
    bool IsSpecial = false;
};

// Follows symbolic links. False when the path does not exist or cannot be examined.
bool GetFileInfo(const std::string& path, TFileInfo& info);

bool FileExistsAt(const std::string& path);    // a regular file (or link to one)
bool DirectoryExists(const std::string& path); // a directory (or link to one)

// Creates the directory and every missing parent. True when the directory exists afterwards.
bool ForceDirectories(const std::string& path);

bool DeleteFileAt(const std::string& path);

// The permission bits a newly created file gets under the process's creation mask:
// 0666 less the mask, or 0777 less the mask for a program.
unsigned NewFileMode(bool executable = false);

// Clears the Windows archive attribute (the file has been backed up); POSIX has none,
// and there this does nothing. False when the attribute could not be cleared.
bool ClearArchiveAttribute(const std::string& path);

// The short (8.3) form of an existing path where the file system keeps short names;
// otherwise, and on POSIX, the path as it is.
std::string ShortPathName(const std::string& path);

// Sets the last-write time (and leaves the access time alone).
bool SetFileModTime(const std::string& path, const timespec& modTime);

} // namespace korvel
