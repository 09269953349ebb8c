// What the end-to-end tests share: starting a program with its standard
// output on a pipe, reading it against a generous deadline (a hung program
// fails its test instead of hanging the suite), collecting its exit status,
// running the X tools (xdotool and friends) and finding the game's window.
// POSIX only; the X tools come from the Debian packages of
// tools/setup-debian.sh.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace e2e {

inline constexpr int kDeadlineMs = 30000;
inline constexpr const char* kTitle = "Dropling in A Vuro";

// A started program with its standard output on a pipe.
struct Program {
    pid_t pid = -1;
    int out = -1;
    std::string seen;    // everything read so far
    bool ended = false;  // the output reached its end
};

inline Program Start(const std::vector<std::string>& args, const char* dir) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        if (dir && chdir(dir) != 0) _exit(127);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fds[0], {}};
}

// Reads until `text` has appeared or the output ends; false on the deadline
// or the end of the output without it.
inline bool ReadUntil(Program& p, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
    while (p.seen.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd pfd{p.out, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) return false;
        char buf[4096];
        const ssize_t n = read(p.out, buf, sizeof buf);
        if (n <= 0) {
            p.ended = true;
            return false;
        }
        p.seen.append(buf, static_cast<size_t>(n));
    }
    return true;
}

// Reads to the end of the output (the program's exit closes it), then
// collects the exit status; -1 if the program did not end in time (it is
// then killed) or was killed by a signal.
inline int WaitForExit(Program& p) {
    ReadUntil(p, std::string("\x01never printed\x02"));
    close(p.out);
    int status = 0;
    if (!p.ended) kill(p.pid, SIGKILL);
    waitpid(p.pid, &status, 0);
    p.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a helper program to its end and returns its standard output, or
// "<failed>" when it does not end with status 0.
inline std::string RunTool(const std::vector<std::string>& args) {
    Program p = Start(args, nullptr);
    const int status = WaitForExit(p);
    if (status != 0) return "<failed " + std::to_string(status) + ">";
    return p.seen;
}

inline std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// The id of the program's window, waiting until it is mapped.
inline std::string FindWindow() {
    std::string ids = RunTool({"timeout", "30", "xdotool", "search", "--sync", "--onlyvisible",
                               "--name", std::string("^") + kTitle + "$"});
    ids = Trimmed(ids);
    // One window is expected; take the first line if the search lists more.
    const size_t nl = ids.find('\n');
    return nl == std::string::npos ? ids : ids.substr(0, nl);
}

}  // namespace e2e
