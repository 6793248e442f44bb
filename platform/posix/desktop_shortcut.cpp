#include "platform/desktop_shortcut.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/posix/child_process.h"
#include "platform/program_dirs.h"

namespace korvel {

const char* const kShortcutExtension = ".desktop";

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// The value of XDG_DESKTOP_DIR in user-dirs.dirs: "$HOME/Desktop" or "/absolute/path".
std::string DesktopDirFromUserDirs(const std::string& home) {
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty())
        config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=\"";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0)
            value.replace(0, 5, home);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return {};
}

// Escapes of the "string" and "localestring" value types.
std::string EscapeValue(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break; // a leading blank would be trimmed
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitBlanks(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// Marks the file as trusted for the file managers that ask before running launchers
// (GNOME, Xfce). Best effort: without gio, or without a metadata store, nothing happens.
void MarkTrusted(const std::string& path) {
    RunChild({"gio", "set", path, "metadata::trusted", "true"});
}

} // namespace

std::string DesktopDirectory() {
    if (std::string dir = Env("XDG_DESKTOP_DIR"); !dir.empty())
        return WithTrailingSeparator(dir);
    const std::string home = Env("HOME");
    if (std::string dir = DesktopDirFromUserDirs(home); !dir.empty())
        return WithTrailingSeparator(dir);
    return WithTrailingSeparator(home) + "Desktop/";
}

std::string QuoteExecArgument(const std::string& argument) {
    // Reserved characters force quoting; inside quotes four need a backslash.
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string arg;
    for (const char c : argument)
        arg += c == '%' ? std::string("%%") : std::string(1, c); // "%" starts a field code
    if (!arg.empty() && arg.find_first_of(reserved) == std::string::npos)
        return arg;
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string DesktopEntryText(const std::string& target, const std::string& arguments, const std::string& name,
                             const std::string& icon) {
    std::string exec = QuoteExecArgument(target);
    for (const std::string& a : SplitBlanks(arguments))
        exec += " " + QuoteExecArgument(a);
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=" +
                       EscapeValue(name) + "\n" +
                       // The quoting above is applied before the string escapes are undone.
                       "Exec=" + EscapeValue(exec) + "\n" + "Path=" + EscapeValue(DirectoryPart(target)) + "\n";
    if (!icon.empty())
        text += "Icon=" + EscapeValue(icon) + "\n";
    text += "Terminal=false\n";
    return text;
}

bool CreateDesktopShortcut(const std::string& target, const std::string& arguments, const std::string& name) {
    const std::string desktop = DesktopDirectory();
    ::mkdir(desktop.c_str(), 0755); // a fresh account may have none yet
    const std::string path = desktop + name + kShortcutExtension;
    const std::string icon = DataDirOf(target) + "korvel.svg";
    try {
        // Launchers must be executable to run with a double click.
        SaveFileAtomically(path, DesktopEntryText(target, arguments, name, FileExistsAt(icon) ? icon : ""),
                           0755);
    } catch (const std::system_error&) {
        return false;
    }
    MarkTrusted(path);
    return true;
}

} // namespace korvel
