#include "platform/program_dirs.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/executable.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace korvel {

namespace {

const char* const kInstalledDataDir = "../share/korvel/";

bool IsInstalled(const std::string& executableDir) {
    return DirectoryExists(executableDir + kInstalledDataDir);
}

// Tried rather than asked with access(), which judges by the permission bits (and lets
// root pass everywhere): what the attempt meets is what the stores' saves will meet,
// immutable directories and network file systems included.
bool CanCreateFilesIn(const std::string& directory) {
    std::string name = directory + ".korvel-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(name.c_str());
    return true;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// $HOME, or the account's home when a bare environment has none.
std::string HomeDir() {
    if (std::string home = Env("HOME"); !home.empty())
        return home;
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir ? std::string(account->pw_dir) : std::string("/");
}

// $XDG_CONFIG_HOME/korvel/; a relative $XDG_CONFIG_HOME is invalid and ignored.
std::string UserConfigDir() {
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/')
        config = WithTrailingSeparator(HomeDir()) + ".config";
    std::string dir = WithTrailingSeparator(config) + "korvel/";
    // The parent gets the mode the base-directory rules ask for when it is new; the
    // stores' own directory holds the user's paths and passwords.
    ::mkdir(config.c_str(), 0700);
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

} // namespace

std::string DataDirOf(const std::string& executable) {
    std::string dir = DirectoryPart(executable);
    if (!IsInstalled(dir))
        return dir;
    return (std::filesystem::path(dir) / kInstalledDataDir).lexically_normal().string();
}

std::string DataDir() {
    return DataDirOf(ExecutablePath());
}

std::string StoreDir() {
    std::string dir = ExecutableDir();
    if (!IsInstalled(dir) && CanCreateFilesIn(dir))
        return dir;
    return UserConfigDir();
}

} // namespace korvel
