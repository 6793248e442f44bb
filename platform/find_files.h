#pragma once
// Directory enumeration with find-first/next semantics: one entry at a time, in
// the order the file system returns them, optionally narrowed by a wildcard.

#include <memory>
#include <string>
#include <string_view>

namespace korvel {

struct TSearchRec {
    std::string Name;         // bare name, without directory
    bool IsDirectory = false; // a directory, or a symbolic link that leads to one
    bool IsSymlink = false;   // the entry itself is a symbolic link
};

// Wildcard matching as the Windows file system does it for a search: "*" any run
// of characters, "?" exactly one character, letters compared without regard to
// ASCII case; "*" and "*.*" match every name. A character is one UTF-8 sequence
// (a byte that starts no valid sequence stands for itself).
bool FileSystemMaskMatches(std::string_view name, std::string_view mask);

// Enumerates one directory. "." and ".." are never returned. Entries whose kind
// cannot be determined (they vanished while we looked) are passed over.
class TFindFiles {
public:
    TFindFiles();
    ~TFindFiles();
    TFindFiles(const TFindFiles&) = delete;
    TFindFiles& operator=(const TFindFiles&) = delete;

    // Starts enumerating `directory` (with or without a trailing separator; "" is
    // the root) for names matching `mask`. False when the directory cannot be read
    // or holds no matching entry.
    bool FindFirst(const std::string& directory, const std::string& mask, TSearchRec& rec);
    // The next matching entry; false at the end.
    bool FindNext(TSearchRec& rec);
    void Close();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace korvel
