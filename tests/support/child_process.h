// Runs a piece of code in a forked child process and collects what it wrote on standard output
// and standard error and how it ended, for tests of the paths that end the process. Relies on
// POSIX fork/waitpid; the child's standard streams go to temporary files, so large outputs
// cannot block it.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    bool exited = false;  // ended through exit/_exit (false: killed by a signal)
    int status = -1;      // the exit status as the parent sees it (exit(-1) gives 255)
    int signal = 0;       // the signal that ended it, when !exited
    std::string out;      // everything written to standard output
    std::string err;      // everything written to standard error
};

// Exit status of a child whose body returned instead of ending the process.
constexpr int kChildBodyReturned = 77;

// Runs `body` in a child whose standard input holds `input` (empty: at end at once).
ChildResult RunInChild(const std::function<void()>& body, const std::string& input = "");
