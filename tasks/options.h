#pragma once
// The program's one user option: the interface language.

#include <string>

#include "platform/atomic_file.h"

namespace korvel {

struct TOptionsData {
    bool Language = true; // false English, true Russian
    bool LanguageChosen = false;
};

// Reads options.bin from `storeDir`; a missing file leaves the defaults (Russian).
TOptionsData LoadOptions(const std::string& storeDir);

// Writes options.bin only when the user chose a language during this run.
// Returns false (with the system's text in `error`) when the file could not be written.
// `write` replaces the system's write, for tests that make the disk fail.
bool SaveOptions(const TOptionsData& options, const std::string& storeDir, std::string& error,
                 const WriteFn& write = {});

} // namespace korvel

namespace korvel {

// The one options object of the program, read by every text choice.
TOptionsData& Options();

} // namespace korvel
