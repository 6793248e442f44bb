#pragma once
// The program's own web site and support address: the about box, the main window's
// link and nothing else show them, and they are written only here.

namespace korvel {

inline constexpr const char* kWebSite = "https://korvel.example.org/";
inline constexpr const char* kSupportEmail = "support@korvel.example.org";

} // namespace korvel
