#pragma once
// The length of a program image at the start of a file: a self-extracting
// archive's stub, behind which its first local header lies.

#include <cstdint>
#include <optional>

#include "archive/zip_file.h"

namespace korvel {

// The bytes an ELF or PE image at the start of `file` occupies, as its own headers
// describe them (the furthest segment, section or header table); nothing when the
// file does not start with such an image or its headers point outside the file.
std::optional<std::uint64_t> StubLength(const TZipFile& file, std::uint64_t fileSize);

} // namespace korvel
