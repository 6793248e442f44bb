#include "platform/executable.h"

#include "platform/win32/wide.h"

namespace korvel {

std::string ExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size()) {
            buf.resize(n);
            return win32::Narrow(buf);
        }
        buf.resize(buf.size() * 2); // truncated: long paths reach 32767 characters
    }
}

std::string ExecutableDir() {
    return DirectoryPart(ExecutablePath());
}

} // namespace korvel
