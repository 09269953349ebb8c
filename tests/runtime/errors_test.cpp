// Tests of console output and of every path that ends the process: bbError with and without a
// message, the stop protocol's answers, the fatal-signal handler, the uncaught-exception and
// out-of-memory ends and the stop of a misplaced collected object. Each case runs in a child
// process, with the fatal-signal handler installed, whose output streams and exit status are
// compared whole.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>

#include <unistd.h>

#include "runtime/runtime.h"
#include "tests/support/child_process.h"

namespace {

constexpr int kStatusError = 255;  // exit(-1) as the parent sees it
const std::string kStop = "{{~~(null)~~}}\n\n";

// What an error with `message` writes on standard output.
std::string error(const std::string& message) {
    return "Vantor Runtime Error : " + message + "\n\n";
}
const std::string kBoom = error("boom");

void boom() {
    bbError(String("boom"));
}

// A body that lets the stop protocol return prints the debugger's step state.
void stop_and_print_mode() {
    dbg_stepmode = dbg_suspend = 99;
    bbDebugStop();
    std::printf("%d %d\n", dbg_stepmode, dbg_suspend);
}

__attribute__((no_sanitize("undefined"))) int divide(volatile int a, volatile int b) {
    return a / b;
}

// Recurses until the stack runs out.
int recurse(volatile int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth >= 0) return recurse(depth + 1) + frame[0];
    return 0;
}

struct Source : gc_interface {};
struct MisplacedObject : Source, Object {};

TEST(Exits, EachPathWritesItsTextsAndEndsWithItsStatus) {
    struct Case {
        const char* what;
        std::function<void()> body;
        int status;
        std::string out, err;
        std::string input = "";  // the debugger's answers on standard input
    };
    const Case cases[] = {
        {"print: UTF-8, a character 0 ends the line",
         [] {
             bbPrint(String(u"\u20ACa\0b", 4));
             bbDebugLog(String("log"));
             bbPrint(String());
         },
         kChildBodyReturned, "\u20ACa\nlog\n\n", ""},
        {"empty error ends normally and silently", [] { bbError(String()); }, 0, "", ""},
        {"error, end of input", boom, kStatusError, kBoom, kStop},
        {"message bytes are Latin-1", [] { bbError(String(u"c\u00E9")); }, kStatusError,
         error("c\u00E9"), kStop},
        {"source position",
         [] {
             dbg_info = "game.cpp<12>";
             boom();
         },
         kStatusError, "Vantor Runtime Error : boom\ngame.cpp<12>\n\n", "{{~~game.cpp<12>~~}}\n\n"},
        {"q quits normally", boom, 0, kBoom, kStop, "q\n"},
        {"? reads the next line", boom, 0, kBoom, kStop, "?\n?\nq\n"},
        {"r reports the error again", boom, kStatusError, kBoom + kBoom, kStop + kStop, "r\n"},
        {"unknown answer", boom, kStatusError, kBoom + "????? zz top ?????\n", kStop, "zz top\n"},
        {"empty answer", boom, kStatusError, kBoom + "?????  ?????\n", kStop, "\n"},
        {"line without newline", boom, kStatusError, kBoom, kStop, "q"},
        {"line over 255 characters", boom, kStatusError, kBoom, kStop,
         std::string(300, '?') + "\nq\n"},
        {"address 0", boom, 0, kBoom, kStop + "\n", "@0\nq\n"},
        {"unknown address is not followed", boom, 0, kBoom, kStop + "\n\n",
         "@0x10\n@0xdeadbeef0\nq\n"},
        {"known address shows the object's debug text",
         [] {
             // The answer goes in from here: the address is only known in the child.
             FILE* in = std::tmpfile();
             std::fprintf(in, "@%p\nq\n", static_cast<void*>(new Object));
             std::rewind(in);
             dup2(fileno(in), 0);
             boom();
         },
         0, kBoom, kStop + "+Object\n"},
        {"step answer r", stop_and_print_mode, kChildBodyReturned, "0 0\n", kStop, "r\n"},
        {"step answer s", stop_and_print_mode, kChildBodyReturned, "115 1\n", kStop, "s\n"},
        {"step answer e", stop_and_print_mode, kChildBodyReturned, "101 1\n", kStop, "e\n"},
        {"step answer l", stop_and_print_mode, kChildBodyReturned, "108 0\n", kStop, "l\n"},
        {"uncaught exception", bbDieUncaught, kStatusError,
         "Vantor Runtime Error : Uncaught Vantor Exception\n", ""},
        {"out of memory", bbOutOfMemory, kStatusError, "Vantor Runtime Error : Out of memory\n",
         ""},
        {"SIGFPE", [] { std::raise(SIGFPE); }, kStatusError, error("Floating point exception"),
         kStop},
        {"division by zero", [] { std::printf("%d", divide(1, 0)); }, kStatusError,
         error("Floating point exception"), kStop},
        {"SIGSEGV", [] { std::raise(SIGSEGV); }, kStatusError, error("Memory access violation"),
         kStop},
        {"stack overflow", [] { std::printf("%d", recurse(0)); }, kStatusError,
         error("Memory access violation"), kStop},
        {"SIGILL", [] { std::raise(SIGILL); }, kStatusError, error("Illegal instruction"), kStop},
        {"other signal", [] { sighandler(SIGUSR1); }, kStatusError, error("Unknown signal"), kStop},
        {"collected base not first", [] { new MisplacedObject; }, kStatusError,
         error("Collected object does not start its block: list Object first among the bases"),
         kStop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChildResult r = RunInChild(
            [&c] {
                bbInstallSignalHandlers();
                c.body();
            },
            c.input);
        EXPECT_EQ(std::tie(r.status, r.out, r.err), std::tie(c.status, c.out, c.err));
    }
}

}  // namespace
