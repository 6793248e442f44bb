#include "platform/copy_file.h"

#include <vector>

#include "platform/find_files.h"
#include "platform/path.h"
#include "platform/win32/temp_name.h"
#include "platform/win32/wide.h"

namespace korvel {

namespace {

bool Fail(std::string* error, const char* what, DWORD code = ::GetLastError()) {
    if (error)
        *error = std::string(what) + ": " + win32::ErrorText(code);
    return false;
}

} // namespace

int RemoveStaleCopyTemporaries(const std::string& directory) {
    const std::string dir = WithTrailingSeparator(directory.empty() ? std::string(".") : directory);
    // Names are gathered first: removing entries while listing the directory may make
    // the listing skip others.
    std::vector<std::string> candidates;
    TFindFiles find;
    TSearchRec rec;
    for (bool found = find.FindFirst(dir, std::string(kCopyTemporaryPrefix) + "*", rec); found;
         found = find.FindNext(rec))
        if (!rec.IsDirectory && !rec.IsSymlink && IsCopyTemporaryName(rec.Name))
            candidates.push_back(rec.Name);
    int removed = 0;
    // A copy in progress holds its temporary open without delete sharing, so deleting
    // it fails until the copy is done; a killed copy's handle is gone.
    for (const std::string& name : candidates)
        if (::DeleteFileW(win32::Widen(dir + name).c_str()))
            ++removed;
    return removed;
}

bool CopyFileWithTimes(const std::string& from, const std::string& to, std::string* error) {
    const std::wstring source = win32::Widen(from);
    const DWORD attributes = ::GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Fail(error, "stat source");
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return Fail(error, "not a regular file", ERROR_INVALID_PARAMETER);

    // The copy is made under a new name beside the target (one volume, so the rename
    // below is atomic) and takes the target's place only once complete.
    std::string temp;
    DWORD createError = 0;
    win32::THandle holder(win32::CreateNewTempFile(DirectoryPart(to), std::string(kCopyTemporaryPrefix), "",
                                                   temp, createError));
    if (!holder.Valid())
        return Fail(error, "create target", createError);
    const std::wstring wideTemp = win32::Widen(temp);
    // CopyFileW keeps the last-write time and the attributes, and holds the temporary open
    // while it writes it (so a sweep of stale temporaries cannot delete it then). A read-only
    // copy could not be renamed over a later one, so that attribute is set after the rename.
    holder.Close();
    if (!::CopyFileW(source.c_str(), wideTemp.c_str(), FALSE)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(wideTemp.c_str());
        return Fail(error, "copy", code);
    }
    const DWORD copied = ::GetFileAttributesW(wideTemp.c_str());
    if (copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(wideTemp.c_str(), copied & ~FILE_ATTRIBUTE_READONLY);
    // A read-only earlier copy is replaced, never refused.
    const std::wstring target = win32::Widen(to);
    const DWORD existing = ::GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(target.c_str(), existing & ~FILE_ATTRIBUTE_READONLY);
    std::string moveError;
    if (!win32::MoveReplacing(temp, to, moveError)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(wideTemp.c_str());
        return Fail(error, "replace target", code);
    }
    if (copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(target.c_str(), copied);
    return true;
}

} // namespace korvel
