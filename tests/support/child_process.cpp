// RunInChild: fork, redirect the three standard streams to temporary files, run the body, and
// read back the outputs and the exit status. Relies on POSIX only.
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

int make_temp_file() {
    char name[] = "/tmp/dropling-child-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) unlink(name);
    return fd;
}

std::string read_all(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

}  // namespace

ChildResult RunInChild(const std::function<void()>& body, const std::string& input) {
    ChildResult result;
    int in = make_temp_file();
    int out = make_temp_file();
    int err = make_temp_file();
    if (in < 0 || out < 0 || err < 0) return result;
    if (!input.empty() &&
        write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        return result;
    }
    lseek(in, 0, SEEK_SET);

    // Anything buffered now would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
#if defined(__SANITIZE_ADDRESS__)
        // The child ends wherever the code under test ends it, with objects still in use.
        __lsan_disable();
#endif
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        body();
        std::fflush(nullptr);
        _exit(kChildBodyReturned);
    }
    close(in);
    int wstatus = 0;
    if (pid < 0 || waitpid(pid, &wstatus, 0) != pid) {
        close(out);
        close(err);
        return result;
    }
    result.exited = WIFEXITED(wstatus);
    result.status = result.exited ? WEXITSTATUS(wstatus) : -1;
    result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    result.out = read_all(out);
    result.err = read_all(err);
    return result;
}
