#pragma once
// Turns between processes that read, change and write the stores of one directory.

#include <cstdint>
#include <string>

namespace korvel {

// Waits for and holds an exclusive lock on the directory itself for as long as the
// object lives. Locking the directory rather than a lock file inside it leaves no
// file behind and cannot be raced by one process deleting a lock file that another
// is waiting on. Where the file system cannot lock, Held() is false and the caller
// goes on unlocked.
class TDirectoryLock {
public:
    explicit TDirectoryLock(const std::string& directory);
    ~TDirectoryLock();
    TDirectoryLock(const TDirectoryLock&) = delete;
    TDirectoryLock& operator=(const TDirectoryLock&) = delete;

    bool Held() const { return lock_ != -1; }

private:
    // The locked descriptor on POSIX, the held mutex on Windows; -1 when not held.
    std::intptr_t lock_ = -1;
};

} // namespace korvel
