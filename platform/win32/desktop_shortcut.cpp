#include "platform/desktop_shortcut.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/path.h"
#include "platform/win32/wide.h"

namespace korvel {

const char* const kShortcutExtension = ".lnk";

namespace {

// COM for the calling thread, for as long as the object lives.
class TComScope {
public:
    TComScope() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~TComScope() {
        if (ok_)
            ::CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool ok_;
};

// Releases a COM interface when it goes out of scope.
template <class T> class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() {
        if (p_)
            p_->Release();
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    T* operator->() const { return p_; }
    T** Out() { return &p_; }
    void** OutVoid() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

} // namespace

std::string DesktopDirectory() {
    wchar_t* path = nullptr;
    std::string dir;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path)) && path)
        dir = win32::Narrow(path, std::wcslen(path));
    ::CoTaskMemFree(path);
    return WithTrailingSeparator(dir);
}

bool CreateDesktopShortcut(const std::string& target, const std::string& arguments, const std::string& name) {
    const std::string dir = DesktopDirectory();
    if (dir.empty())
        return false;
    const TComScope com;
    TComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.OutVoid())))
        return false;
    const std::wstring wideTarget = win32::Widen(target);
    const std::wstring workingDir = win32::Widen(DirectoryPart(target));
    if (FAILED(link->SetPath(wideTarget.c_str())) ||
        FAILED(link->SetArguments(win32::Widen(arguments).c_str())) ||
        FAILED(link->SetWorkingDirectory(workingDir.c_str())) ||
        FAILED(link->SetIconLocation(wideTarget.c_str(), 0)))
        return false;
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
        return false;
    // Save replaces a shortcut of that name.
    return SUCCEEDED(file->Save(win32::Widen(dir + name + kShortcutExtension).c_str(), TRUE));
}

} // namespace korvel
