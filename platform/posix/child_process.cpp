#include "platform/posix/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace korvel {

namespace {

struct Pipe {
    int fd[2] = {-1, -1};
    bool Open() { return pipe2(fd, O_CLOEXEC) == 0; }
    void Close(int end) {
        if (fd[end] >= 0)
            close(fd[end]);
        fd[end] = -1;
    }
    ~Pipe() {
        Close(0);
        Close(1);
    }
};

} // namespace

TChildResult RunChild(const std::vector<std::string>& argv, const std::string& input) {
    TChildResult result;
    Pipe in, out, err;
    if (argv.empty() || !in.Open() || !out.Open() || !err.Open())
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return result;
    result.Started = true;
    in.Close(0);
    out.Close(1);
    err.Close(1);

    // A child that stops reading its input must not kill us with SIGPIPE.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);

    std::size_t written = 0;
    if (input.empty())
        in.Close(1);
    while (out.fd[0] >= 0 || err.fd[0] >= 0 || in.fd[1] >= 0) {
        pollfd fds[3];
        int n = 0;
        for (int fd : {in.fd[1], out.fd[0], err.fd[0]}) {
            if (fd >= 0)
                fds[n++] = {fd, static_cast<short>(fd == in.fd[1] ? POLLOUT : POLLIN), 0};
        }
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.fd[1]) {
                const ssize_t w = write(in.fd[1], input.data() + written, input.size() - written);
                if (w > 0)
                    written += static_cast<std::size_t>(w);
                if (w < 0 && errno != EINTR && errno != EAGAIN)
                    written = input.size();
                if (written >= input.size())
                    in.Close(1);
                continue;
            }
            char buf[4096];
            const ssize_t r = read(fds[i].fd, buf, sizeof buf);
            if (r > 0) {
                (fds[i].fd == out.fd[0] ? result.Out : result.Err).append(buf, static_cast<std::size_t>(r));
            } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
                if (fds[i].fd == out.fd[0])
                    out.Close(0);
                else
                    err.Close(0);
            }
        }
    }
    sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace korvel
