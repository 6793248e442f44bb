#include "platform/desktop_shortcut.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/path.h"
#include "platform/win32/com.h"
#include "platform/win32/wide.h"

namespace korvel {

const char* const kShortcutExtension = ".lnk";

namespace {

using win32::TComPtr;
using win32::TComScope;

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
    const TComScope com(COINIT_APARTMENTTHREADED);
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
