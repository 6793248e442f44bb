#pragma once
// The system's HTML Help library (hhctrl.ocx), bound for the whole run. Windows only:
// elsewhere nothing is bound and the program shows its help in its own window.

#include <cstdint>
#include <functional>
#include <string>

#ifdef _WIN32
#define KORVEL_WINAPI __stdcall
#else
#define KORVEL_WINAPI
#endif

namespace korvel {

inline constexpr const char* kHtmlHelpLibraryName = "hhctrl.ocx";
// Where the HTML Help control's library is registered, below HKEY_CLASSES_ROOT.
inline constexpr const char* kHtmlHelpServerKey =
    "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

// The library to load when loading it by its bare name failed. `registered` is the
// default value of kHtmlHelpServerKey (empty without one): a value of at least 12
// characters that starts with "%SYSTEMROOT%" in any letter case has those 12 characters
// replaced by `windowsDir`, and the path is kept only when `exists` finds the file.
// Without one, `systemDir` + "\hhctrl.ocx". Each directory loses one trailing backslash.
std::string HtmlHelpFallbackPath(const std::string& registered, std::string windowsDir, std::string systemDir,
                                 const std::function<bool(const std::string&)>& exists);

// The same with this system's registry, directories and files; empty without a registry.
std::string HtmlHelpFallbackPath();

class THtmlHelpLibrary {
public:
    // HtmlHelpA and HtmlHelpW: owner window, file (and "::/topic"), command, data word;
    // they return the help window.
    using TEntryA = void*(KORVEL_WINAPI*)(void* owner, const char* file, unsigned command,
                                          std::uintptr_t data);
    using TEntryW = void*(KORVEL_WINAPI*)(void* owner, const wchar_t* file, unsigned command,
                                          std::uintptr_t data);

    THtmlHelpLibrary() = default;
    ~THtmlHelpLibrary() { Unbind(); }
    THtmlHelpLibrary(const THtmlHelpLibrary&) = delete;
    THtmlHelpLibrary& operator=(const THtmlHelpLibrary&) = delete;

    // Loads the library (by bare name, else HtmlHelpFallbackPath() when that file exists)
    // and looks up both entries; nothing when it is loaded already. False when no
    // library could be loaded: the help entry stays unbound and the program goes on.
    bool Bind();
    // Frees the library and clears the handle and every entry.
    void Unbind();

    bool Loaded() const { return library_ != nullptr; }
    TEntryA HtmlHelpA() const { return htmlHelpA_; }
    TEntryW HtmlHelpW() const { return htmlHelpW_; }
    TEntryA HelpEntry() const { return helpEntry_; } // the one the program calls

    // Calls the help entry with a UTF-8 file; a file that the ANSI code page cannot
    // name goes to HtmlHelpW instead, rather than to a wrong file. Null when unbound.
    void* Call(void* owner, const std::string& file, unsigned command, std::uintptr_t data) const;

private:
    void* library_ = nullptr;
    TEntryA htmlHelpA_ = nullptr;
    TEntryW htmlHelpW_ = nullptr;
    TEntryA helpEntry_ = nullptr;
};

} // namespace korvel
