#include "platform/win32/wide.h"

// windows.h names its ANSI or wide variant after ours.
#undef ExpandEnvironmentStrings
#include "platform/environment.h"

namespace korvel {

std::string ExpandEnvironmentStrings(const std::string& text) {
    const std::wstring in = win32::Widen(text);
    std::wstring out(in.size() + 256, L'\0');
    for (;;) {
        const DWORD n = ::ExpandEnvironmentStringsW(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0)
            return text;
        if (n <= out.size()) {
            out.resize(n - 1); // without the terminating null
            return win32::Narrow(out);
        }
        out.resize(n);
    }
}

} // namespace korvel
