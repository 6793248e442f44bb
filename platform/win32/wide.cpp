#include "platform/win32/wide.h"

namespace korvel::win32 {

namespace {
constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ULL;
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const wchar_t* wide, std::size_t size) {
    if (size == 0)
        return {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    return Narrow(wide.data(), wide.size());
}

std::string ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n > 0 && text) {
        out = Narrow(text, n);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
            out.pop_back();
    }
    if (text)
        ::LocalFree(text);
    return out.empty() ? "System error " + std::to_string(code) : out;
}

timespec ToTimespec(const FILETIME& ft) {
    const std::uint64_t ticks = (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
    const auto since = static_cast<long long>(ticks) - static_cast<long long>(kUnixEpochIn100ns);
    long long sec = since / 10000000;
    long long rest = since % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --sec;
    }
    timespec ts{};
    ts.tv_sec = static_cast<std::time_t>(sec);
    ts.tv_nsec = static_cast<long>(rest * 100);
    return ts;
}

FILETIME ToFileTime(const timespec& ts) {
    const auto ticks =
        static_cast<std::uint64_t>(static_cast<long long>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100 +
                                   static_cast<long long>(kUnixEpochIn100ns));
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

} // namespace korvel::win32
