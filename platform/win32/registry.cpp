#include "platform/registry.h"

#include "platform/win32/wide.h"

namespace korvel {

namespace {

class TWin32RegistryKey final : public TRegistryKey {
public:
    explicit TWin32RegistryKey(HKEY key, bool owned) : key_(key), owned_(owned) {}
    ~TWin32RegistryKey() override {
        if (owned_)
            ::RegCloseKey(key_);
    }
    TWin32RegistryKey(const TWin32RegistryKey&) = delete;
    TWin32RegistryKey& operator=(const TWin32RegistryKey&) = delete;

    std::unique_ptr<TRegistryKey> OpenSubkey(const std::string& name) const override {
        HKEY sub = nullptr;
        if (::RegOpenKeyExW(key_, win32::Widen(name).c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<TWin32RegistryKey>(sub, true);
    }

    std::optional<std::string> SubkeyName(int index) const override {
        if (index < 0)
            return std::nullopt;
        wchar_t name[256]; // a key name has at most 255 characters
        DWORD size = 256;
        if (::RegEnumKeyExW(key_, static_cast<DWORD>(index), name, &size, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        return win32::Narrow(name, size);
    }

    std::optional<std::string> StringValue(const std::string& name) const override {
        const std::wstring wname = win32::Widen(name);
        DWORD type = 0, bytes = 0;
        if (::RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(key_, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                               &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        // The stored string need not end in a null; the one added above ends it then.
        value.resize(bytes / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0')
            value.pop_back();
        return win32::Narrow(value);
    }

private:
    HKEY key_;
    bool owned_;
};

} // namespace

std::unique_ptr<TRegistryKey> OpenCurrentUserKey() {
    return std::make_unique<TWin32RegistryKey>(HKEY_CURRENT_USER, false);
}

} // namespace korvel
