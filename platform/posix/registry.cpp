#include "platform/registry.h"

namespace korvel {

std::unique_ptr<TRegistryKey> OpenCurrentUserKey() {
    return nullptr;
}

std::unique_ptr<TRegistryKey> OpenClassesRootKey() {
    return nullptr;
}

} // namespace korvel
