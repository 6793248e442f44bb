#include "sfx/password_prompt.h"

#include "sfx/win32/wide.h"

namespace korvel::sfx {

namespace {

// Restores the console's echo however the prompt ends.
class TEchoOff {
public:
    explicit TEchoOff(HANDLE in) : in_(in), restore_(::GetConsoleMode(in, &mode_) != 0) {
        if (restore_)
            ::SetConsoleMode(in, (mode_ & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    }
    ~TEchoOff() {
        if (restore_)
            ::SetConsoleMode(in_, mode_);
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    HANDLE in_;
    DWORD mode_ = 0;
    bool restore_;
};

} // namespace

// The console itself is asked (CONIN$/CONOUT$), not standard input: redirected input
// must not be taken for a password. Wide reads keep every character of the password.
std::optional<std::string> AskPasswordOnTerminal(const std::string& prompt) {
    HANDLE in = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return std::nullopt;
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    std::wstring line;
    bool ended = false;
    {
        const TEchoOff quiet(in);
        if (out != INVALID_HANDLE_VALUE) {
            const std::wstring text = Widen(prompt);
            DWORD written = 0;
            ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        for (;;) {
            wchar_t c = 0;
            DWORD n = 0;
            if (!::ReadConsoleW(in, &c, 1, &n, nullptr) || n == 0) {
                ended = true;
                break;
            }
            if (c == L'\n' || c == L'\r')
                break;
            line += c;
        }
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteConsoleW(out, L"\r\n", 2, &written, nullptr);
        }
    }
    ::CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        ::CloseHandle(out);
    if (ended && line.empty())
        return std::nullopt;
    return Narrow(line);
}

} // namespace korvel::sfx
