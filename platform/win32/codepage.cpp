#include "platform/codepage.h"

#include "platform/win32/wide.h"

namespace korvel {

namespace {

std::optional<std::wstring> FromPage(UINT page, const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), n);
    return out;
}

// A character without a form in the page must not become "?": such a name would come
// back changed, so the conversion is refused instead.
std::optional<std::string> ToPage(UINT page, const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr,
                                        &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, text.data(), size, out.data(), n, nullptr,
                          &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}

std::optional<std::string> Convert(UINT from, UINT to, const std::string& text) {
    const auto wide = FromPage(from, text);
    if (!wide)
        return std::nullopt;
    return ToPage(to, *wide);
}

} // namespace

int OemCodePage() {
    return static_cast<int>(::GetOEMCP());
}

std::optional<std::string> Utf8ToOem(const std::string& text) {
    return Convert(CP_UTF8, CP_OEMCP, text);
}

std::optional<std::string> OemToUtf8(const std::string& text) {
    return Convert(CP_OEMCP, CP_UTF8, text);
}

} // namespace korvel
