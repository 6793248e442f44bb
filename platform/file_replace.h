#pragma once
// Temporary files and the safe replacement of one file by another, for the
// archive update: the old archive stays in place until the new one is complete.

#include <cstdint>
#include <string>

namespace korvel {

// TMPDIR when it names a directory, else "/tmp"; always with a trailing "/".
std::string SystemTempDir();

// Creates a new empty file "<dir><prefix>XXXXXX<suffix>" (mkstemp, mode 0600). The name
// is new: an existing file or a planted link of that name is never opened.
// Returns the open descriptor, or -1 with `error` set.
int CreateTempFile(const std::string& dir, const std::string& prefix, std::string& path, std::string& error,
                   const std::string& suffix = {});

// Identity of a file (device and inode), so that one file reached through two
// names is recognised.
struct TFileId {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool Valid = false;
    bool operator==(const TFileId& o) const {
        return Valid && o.Valid && Device == o.Device && Inode == o.Inode;
    }
};
TFileId FileIdOf(const std::string& path);
TFileId FileIdOfDescriptor(int fd);

// Puts `source` in the place of `target` so that at every moment either the old
// or the new target exists: one rename when both lie on one file system, else a
// copy to a temporary name beside the target, flushed, then renamed over it.
// `mode` becomes the permission bits of the new target. `source` is gone afterwards
// on success. False with `error` set on failure; the old target is then untouched.
bool ReplaceFileSafely(const std::string& source, const std::string& target, unsigned mode,
                       std::string& error);

} // namespace korvel
