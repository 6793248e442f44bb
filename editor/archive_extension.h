#pragma once
// The archive name follows the compression type: ".exe" for a self-extracting
// archive, ".zip" for a plain one.

#include <string>

namespace korvel {

// Cuts the name at its extension's dot (looked for only among the last four
// characters of names longer than four) and appends "." and `extension`.
std::string ReplaceExtension(const std::string& name, const std::string& extension);

// The name after the user chose compression type `type` (0 copy, 1 zip, 2 SFX);
// a plain copy leaves it alone.
std::string ArchiveNameForType(const std::string& name, int type);

} // namespace korvel
