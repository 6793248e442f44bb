#include "platform/display.h"

#include <windows.h>

namespace korvel {

// A service runs on a window station of its own whose desktop nobody sees.
bool DisplayAvailable() {
    HWINSTA station = ::GetProcessWindowStation();
    if (!station)
        return false;
    USEROBJECTFLAGS flags{};
    if (!::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

} // namespace korvel
