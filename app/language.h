#pragma once
// Switches the interface language at run time for every window at once.

namespace korvel {

// Installs (Russian) or removes (English) the translation; every window then
// receives a language-change event and sets its texts again.
void ApplyLanguage(bool russian);

} // namespace korvel
