#include "platform/directory_lock.h"

#include "platform/win32/wide.h"

namespace korvel {

namespace {

// One mutex per directory, named after the directory's identity (volume serial number
// and file index) so that two spellings of one directory share it. A named mutex leaves
// no file behind and is released by the system when its holder dies.
std::wstring MutexName(const std::string& directory) {
    win32::THandle dir(::CreateFileW(win32::Widen(directory.empty() ? "." : directory).c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!dir.Valid() || !::GetFileInformationByHandle(dir.Get(), &info))
        return {};
    return L"Local\\korvel-store-" + std::to_wstring(info.dwVolumeSerialNumber) + L"-" +
           std::to_wstring(info.nFileIndexHigh) + L"-" + std::to_wstring(info.nFileIndexLow);
}

} // namespace

TDirectoryLock::TDirectoryLock(const std::string& directory) {
    const std::wstring name = MutexName(directory);
    if (name.empty())
        return;
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        return;
    const DWORD rc = ::WaitForSingleObject(mutex, INFINITE);
    // An abandoned mutex (its holder died) is ours now, as a dead holder's lock is.
    if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) {
        ::CloseHandle(mutex);
        return;
    }
    lock_ = reinterpret_cast<std::intptr_t>(mutex);
}

TDirectoryLock::~TDirectoryLock() {
    if (Held()) {
        HANDLE mutex = reinterpret_cast<HANDLE>(lock_);
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    }
}

} // namespace korvel
