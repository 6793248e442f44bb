#include "sfx/password_prompt.h"

#include "sfx/target_tree.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace korvel::sfx {

namespace {

// Restored by the signal handler too, so that Ctrl+C at the prompt does not
// leave the user's terminal without echo.
int gTtyFd = -1;
termios gSaved{};

void RestoreTerminal() {
    if (gTtyFd >= 0) {
        ::tcsetattr(gTtyFd, TCSAFLUSH, &gSaved);
    }
}

extern "C" void OnPromptSignal(int sig) {
    RestoreTerminal();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

std::optional<std::string> AskPasswordOnTerminal(const std::string& prompt) {
    TFd tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!tty.Valid()) {
        return std::nullopt;
    }
    termios quiet{};
    const bool canHide = ::tcgetattr(tty.Get(), &gSaved) == 0;
    if (canHide) {
        quiet = gSaved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        gTtyFd = tty.Get();
        ::signal(SIGINT, OnPromptSignal);
        ::signal(SIGTERM, OnPromptSignal);
        ::signal(SIGHUP, OnPromptSignal);
        ::tcsetattr(tty.Get(), TCSAFLUSH, &quiet);
    }
    WriteAll(tty.Get(), prompt);
    std::string line;
    bool ended = false;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(tty.Get(), &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ended = true;
            break;
        }
        if (c == '\n' || c == '\r') {
            break;
        }
        line += c;
    }
    if (canHide) {
        RestoreTerminal();
        gTtyFd = -1;
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
    }
    if (ended && line.empty()) {
        return std::nullopt;
    }
    return line;
}

} // namespace korvel::sfx
