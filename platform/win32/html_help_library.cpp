#include "platform/html_help_library.h"

#include "platform/codepage.h"
#include "platform/registry.h"
#include "platform/win32/wide.h"

namespace korvel {

namespace {

// The directories are read into buffers of MAX_PATH + 1 characters, as the library's
// registration expects them to fit.
using TDirectoryFn = UINT(WINAPI*)(LPWSTR, UINT);
std::string ReadDirectory(TDirectoryFn read) {
    wchar_t buffer[261];
    const UINT n = read(buffer, 261);
    return n > 0 && n < 261 ? win32::Narrow(buffer, n) : std::string();
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(win32::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// GetProcAddress hands out every entry as one type; the detour through void (*)()
// tells the compiler that the real type is known.
template <typename T> T Entry(HMODULE library, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

} // namespace

std::string HtmlHelpFallbackPath() {
    std::string registered;
    if (const auto root = OpenClassesRootKey())
        if (const auto key = root->OpenSubkey(kHtmlHelpServerKey))
            registered = key->StringValue("").value_or(std::string());
    return HtmlHelpFallbackPath(registered, ReadDirectory(::GetWindowsDirectoryW),
                                ReadDirectory(::GetSystemDirectoryW), FileExists);
}

bool THtmlHelpLibrary::Bind() {
    if (Loaded())
        return true;
    HMODULE library = ::LoadLibraryW(win32::Widen(kHtmlHelpLibraryName).c_str());
    if (!library) {
        const std::string path = HtmlHelpFallbackPath();
        if (FileExists(path))
            library = ::LoadLibraryW(win32::Widen(path).c_str());
    }
    if (!library)
        return false;
    library_ = library;
    htmlHelpA_ = Entry<TEntryA>(library, "HtmlHelpA");
    htmlHelpW_ = Entry<TEntryW>(library, "HtmlHelpW");
    helpEntry_ = htmlHelpA_;
    return true;
}

void THtmlHelpLibrary::Unbind() {
    if (library_)
        ::FreeLibrary(static_cast<HMODULE>(library_));
    library_ = nullptr;
    htmlHelpA_ = nullptr;
    htmlHelpW_ = nullptr;
    helpEntry_ = nullptr;
}

void* THtmlHelpLibrary::Call(void* owner, const std::string& file, unsigned command,
                             std::uintptr_t data) const {
    if (!helpEntry_)
        return nullptr;
    if (file.empty())
        return helpEntry_(owner, nullptr, command, data);
    if (const auto ansi = Utf8ToAnsi(file))
        return helpEntry_(owner, ansi->c_str(), command, data);
    return htmlHelpW_ ? htmlHelpW_(owner, win32::Widen(file).c_str(), command, data) : nullptr;
}

} // namespace korvel
