#include "platform/display.h"

#include <cstdlib>
#include <dlfcn.h>

namespace korvel {

bool DisplayAvailable() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    // The X client library is loaded only to ask, so that the program does not need
    // it when there is no display at all. Connecting checks the authorisation too,
    // which a socket that merely exists would not.
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool ok = false;
    if (connect && hasError && disconnect) {
        void* c = connect(nullptr, nullptr);
        ok = c && hasError(c) == 0;
        if (c)
            disconnect(c);
    }
    dlclose(xcb);
    return ok;
}

} // namespace korvel
