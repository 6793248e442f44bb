#include "platform/registry.h"

namespace korvel {

std::unique_ptr<TRegistryKey> OpenCurrentUserKey() {
    return nullptr;
}

} // namespace korvel
