#pragma once
// Read-only access to the system registry, one key at a time. Where the system has
// no registry there is no current-user key and every lookup finds nothing.

#include <memory>
#include <optional>
#include <string>

namespace korvel {

class TRegistryKey {
public:
    virtual ~TRegistryKey() = default;
    // The subkey `name`, or null when it cannot be opened.
    virtual std::unique_ptr<TRegistryKey> OpenSubkey(const std::string& name) const = 0;
    // The name of subkey `index` in the registry's own order; nothing past the last.
    virtual std::optional<std::string> SubkeyName(int index) const = 0;
    // A string value; nothing when it is missing or cannot be read.
    virtual std::optional<std::string> StringValue(const std::string& name) const = 0;
};

// The current user's root key (HKEY_CURRENT_USER); null without a registry.
std::unique_ptr<TRegistryKey> OpenCurrentUserKey();
// The registered classes (HKEY_CLASSES_ROOT); null without a registry.
std::unique_ptr<TRegistryKey> OpenClassesRootKey();

} // namespace korvel
