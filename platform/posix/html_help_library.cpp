#include "platform/html_help_library.h"

namespace korvel {

// Without Windows there is no HTML Help library: the program uses its own help window.
std::string HtmlHelpFallbackPath() {
    return {};
}

bool THtmlHelpLibrary::Bind() {
    return false;
}

void THtmlHelpLibrary::Unbind() {}

void* THtmlHelpLibrary::Call(void*, const std::string&, unsigned, std::uintptr_t) const {
    return nullptr;
}

} // namespace korvel
