#include "platform/program_dirs.h"

#include <shlobj.h>

#include "platform/executable.h"
#include "platform/path.h"
#include "platform/win32/wide.h"

namespace korvel {

namespace {

// Tried rather than judged from the access rights: what the attempt meets is what the
// stores' saves will meet (a protected Program Files folder, a read-only share).
bool CanCreateFilesIn(const std::string& directory) {
    wchar_t name[MAX_PATH];
    if (::GetTempFileNameW(win32::Widen(directory).c_str(), L"kor", 0, name) == 0)
        return false;
    ::DeleteFileW(name);
    return true;
}

// %APPDATA%\Korvel\, created when it is missing; empty when the folder is unknown.
std::string UserConfigDir() {
    PWSTR roaming = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &roaming);
    std::string dir;
    if (SUCCEEDED(hr))
        dir = WithTrailingSeparator(win32::Narrow(roaming)) + "Korvel\\";
    ::CoTaskMemFree(roaming);
    if (!dir.empty())
        ::CreateDirectoryW(win32::Widen(dir).c_str(), nullptr);
    return dir;
}

} // namespace

// A Windows installation keeps everything the program ships with beside it.
std::string DataDirOf(const std::string& executable) {
    return DirectoryPart(executable);
}

std::string DataDir() {
    return DataDirOf(ExecutablePath());
}

std::string StoreDir() {
    std::string dir = ExecutableDir();
    if (CanCreateFilesIn(dir))
        return dir;
    const std::string user = UserConfigDir();
    return user.empty() ? dir : user;
}

} // namespace korvel
