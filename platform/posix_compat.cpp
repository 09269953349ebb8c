// _wfopen and ShellExecuteA on POSIX (declared in platform/posix_compat.h):
// UTF-16 names to UTF-8 for fopen, and the desktop's opener started with an
// argument vector, detached, without a shell.
//
// Relies on the C library and the POSIX process calls only.

#include "platform/posix_compat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// ---- UTF-16 to UTF-8 -------------------------------------------------------

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

std::string ToUtf8(const char16_t* s) {
    std::string out;
    for (; *s; ++s) {
        unsigned int c = *s;
        if (IsHighSurrogate(s[0]) && IsLowSurrogate(s[1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned int>(s[1]) - 0xDC00);
            ++s;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            // Lone surrogate halves land here too, each as its own sequence,
            // so that no name is ever cut short.
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// ---- Starting the opener -----------------------------------------------------

constexpr const char* kOpener = "xdg-open";
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

HINSTANCE Result(std::intptr_t code) {
    return reinterpret_cast<HINSTANCE>(code);
}

// The opener's full path, looked up before forking: after a fork only
// async-signal-safe calls may run, and a PATH search allocates.
std::string FindOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : kDefaultPath;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::string();
}

void WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

FILE* _wfopen(const char16_t* name, const char16_t* mode) {
    if (!name || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    return std::fopen(ToUtf8(name).c_str(), ToUtf8(mode).c_str());
}

HINSTANCE ShellExecuteA(HWND, const char* operation, const char* file, const char*,
                        const char* directory, int) {
    if (operation && std::strcmp(operation, "open") != 0) return Result(SE_ERR_NOASSOC);
    if (!file || !*file || file[0] == '-') return Result(SE_ERR_FNF);
    std::string opener = FindOnPath(kOpener);
    if (opener.empty()) return Result(SE_ERR_FNF);

    std::string arg0 = kOpener;
    std::string target = file;
    std::string workdir = directory ? directory : "";
    char* argv[] = {arg0.data(), target.data(), nullptr};

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it (close-on-exec), which the parent reads as end of file.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return Result(SE_ERR_OOM);

    // Fork twice: the middle process exits at once and is reaped here, and
    // the opener, orphaned, is reaped by init. So the call never waits for a
    // browser and never leaves a zombie behind.
    pid_t middle = fork();
    if (middle == 0) {
        pid_t opener_pid = fork();
        if (opener_pid == 0) {
            if (!workdir.empty() && chdir(workdir.c_str()) != 0) {
                int error = errno;
                WriteAll(report[1], &error, sizeof error);
                _exit(127);
            }
            execv(opener.c_str(), argv);
            int error = errno;
            WriteAll(report[1], &error, sizeof error);
            _exit(127);
        }
        _exit(opener_pid < 0 ? 1 : 0);
    }
    close(report[1]);
    if (middle < 0) {
        close(report[0]);
        return Result(SE_ERR_OOM);
    }

    int status = 0;
    while (waitpid(middle, &status, 0) == -1 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);

    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return Result(SE_ERR_OOM);
    if (got > 0) return Result(error == ENOENT ? SE_ERR_FNF : SE_ERR_OOM);
    return Result(kShellExecuteOk);
}
