#pragma once
// The program's strings are UTF-8; Windows' wide-character API takes UTF-16.
// Every call into the system converts at this boundary.

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace korvel::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide, std::size_t size);

// The system's text for an error code (GetLastError()'s by default), in UTF-8.
std::string ErrorText(DWORD code = ::GetLastError());

// FILETIME (100 ns since 1601, UTC) and the Unix-epoch timespec of the platform interfaces.
timespec ToTimespec(const FILETIME& ft);
FILETIME ToFileTime(const timespec& ts);

// Closes a handle when it goes out of scope.
class THandle {
public:
    explicit THandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~THandle() { Close(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Close() {
        if (Valid())
            ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

} // namespace korvel::win32
