#pragma once
// Where the program finds what it ships with and where it keeps what the user made.

#include <string>

namespace korvel {

// The directory, ending in "/", of the files the program at `executable` ships with
// (sfx32pro.bin, the help files, its icon): beside it in a build tree or a portable
// copy, <prefix>/share/korvel/ when it is installed as <prefix>/bin/korvel.
std::string DataDirOf(const std::string& executable);

// DataDirOf the running program.
std::string DataDir();

// The directory, ending in "/", of tasks.bin, history.bin and options.bin, and the
// one whose lock the processes take turns on. A portable copy keeps them beside the
// executable, as long as it may create files there. An installed program, or one in
// a directory it cannot write, keeps them per user in $XDG_CONFIG_HOME/korvel/
// (~/.config/korvel/), created readable by the user only: an installed program's
// directory belongs to the package manager even when the user could write it.
std::string StoreDir();

} // namespace korvel
