#pragma once
// Whether this process can reach a desktop to show its windows on.

namespace korvel {

// True when the X display named by DISPLAY accepts a connection from us.
bool DisplayAvailable();

} // namespace korvel
