// Tests of console output and of every path that ends the process: bbError with and without a
// message, the stop protocol's answers, the fatal-signal handler and the uncaught-exception end.
// Each runs in a child process whose output streams and exit status are checked.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "runtime/runtime.h"
#include "tests/support/child_process.h"

namespace {

constexpr int kStatusError = 255;  // exit(-1) as the parent sees it
constexpr char kStopHeader[] = "{{~~(null)~~}}\n\n";

TEST(Output, PrintWritesUtf8AndANewline) {
    ChildResult r = RunInChild([] {
        const char16_t euro[] = {0x20AC};
        bbPrint(String(euro, 1));
        bbDebugLog(String("log"));
        const char16_t cut[] = {u'a', 0, u'b'};
        bbPrint(String(cut, 3));  // a character 0 ends the output
        bbPrint(String());
    });
    EXPECT_EQ(r.status, kChildBodyReturned);
    EXPECT_EQ(r.out, "\xE2\x82\xAC\nlog\na\n\n");
    EXPECT_EQ(r.err, "");
}

TEST(Exit, ErrorUncaughtAndOutOfMemoryEnds) {
    struct Case {
        const char* what;
        void (*body)();
        int status;
        const char* out;
        const char* err;
    };
    for (const Case& c : {
             Case{"empty error ends normally and silently", [] { bbError(String()); }, 0, "", ""},
             Case{"error without debugger", [] { bbError(String("x")); }, kStatusError,
                  "Vantor Runtime Error : x\n\n", kStopHeader},
             Case{"message bytes are Latin-1",
                  [] {
                      const char16_t message[] = {u'c', 0xE9};
                      bbError(String(message, 2));
                  },
                  kStatusError, "Vantor Runtime Error : c\xC3\xA9\n\n", kStopHeader},
             Case{"uncaught exception",
                  [] {
                      try {
                          throw new ThrowableObject;
                      } catch (ThrowableObject*) {
                          bbDieUncaught();
                      }
                  },
                  kStatusError, "Vantor Runtime Error : Uncaught Vantor Exception\n", ""},
             Case{"out of memory", [] { bbOutOfMemory(); }, kStatusError,
                  "Vantor Runtime Error : Out of memory\n", ""},
         }) {
        SCOPED_TRACE(c.what);
        ChildResult r = RunInChild(c.body);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

// -- the stop protocol ----------------------------------------------------------------------

TEST(StopProtocol, Answers) {
    struct Case {
        const char* what;
        std::string input;
        int status;
        std::string out;  // after the error message lines
        std::string err;
    };
    const std::string error = "Vantor Runtime Error : boom\n\n";
    for (const Case& c : {
             Case{"end of input", "", kStatusError, error, kStopHeader},
             Case{"q quits normally", "q\n", 0, error, kStopHeader},
             Case{"? reads the next line", "?\n?\nq\n", 0, error, kStopHeader},
             Case{"r reports the error again", "r\n", kStatusError, error + error,
                  std::string(kStopHeader) + kStopHeader},
             Case{"unknown answer", "zz top\n", kStatusError, error + "????? zz top ?????\n",
                  kStopHeader},
             Case{"empty answer", "\n", kStatusError, error + "?????  ?????\n", kStopHeader},
             Case{"line without newline", "q", kStatusError, error, kStopHeader},
             Case{"line over 255 characters", std::string(300, '?') + "\nq\n", kStatusError, error,
                  kStopHeader},
             Case{"address 0", "@0\nq\n", 0, error, std::string(kStopHeader) + "\n"},
             Case{"unknown address is not followed", "@0x10\n@0xdeadbeef0\nq\n", 0, error,
                  std::string(kStopHeader) + "\n\n"},
         }) {
        SCOPED_TRACE(c.what);
        ChildResult r = RunInChild([] { bbError(String("boom")); }, c.input);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(StopProtocol, StepAnswersSetModeAndReturn) {
    struct Case {
        const char* answer;
        int stepmode, suspend;
    };
    for (Case c :
         {Case{"r\n", 0, 0}, Case{"s\n", 's', 1}, Case{"e\n", 'e', 1}, Case{"l\n", 'l', 0}}) {
        SCOPED_TRACE(c.answer);
        ChildResult r = RunInChild(
            [] {
                dbg_stepmode = 99;
                dbg_suspend = 99;
                bbDebugStop();
                std::printf("%d %d\n", dbg_stepmode, dbg_suspend);
            },
            c.answer);
        EXPECT_EQ(r.status, kChildBodyReturned);
        EXPECT_EQ(r.out, std::to_string(c.stepmode) + " " + std::to_string(c.suspend) + "\n");
    }
}

TEST(StopProtocol, AddressOfKnownObjectShowsItsDebugText) {
    ChildResult r = RunInChild([] {
        Object* object = new Object;
        char answer[64];
        std::snprintf(answer, sizeof answer, "@%p\nq\n", static_cast<void*>(object));
        // Feed the answer through a pipe of our own: the address is only known here.
        FILE* in = std::tmpfile();
        std::fputs(answer, in);
        std::rewind(in);
        dup2(fileno(in), 0);
        bbError(String("boom"));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string(kStopHeader) + "+Object\n");
}

TEST(StopProtocol, StackTraceShowsTheSourcePosition) {
    EXPECT_EQ(dbg_stacktrace().Length(), 0);
    ChildResult r = RunInChild([] {
        dbg_info = "game.cpp<12>";
        bbError(String("boom"));
    });
    EXPECT_EQ(r.out, "Vantor Runtime Error : boom\ngame.cpp<12>\n\n");
    EXPECT_EQ(r.err, "{{~~game.cpp<12>~~}}\n\n");
}

// -- fatal signals --------------------------------------------------------------------------

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

TEST(Signals, FatalSignalsBecomeRuntimeErrors) {
    struct Case {
        const char* message;
        void (*body)();
    };
    for (Case c : {Case{"Floating point exception", [] { std::raise(SIGFPE); }},
                   Case{"Floating point exception", [] { std::printf("%d", divide(1, 0)); }},
                   Case{"Memory access violation", [] { std::raise(SIGSEGV); }},
                   Case{"Memory access violation", [] { std::printf("%d", recurse(0)); }},
                   Case{"Illegal instruction", [] { std::raise(SIGILL); }}}) {
        SCOPED_TRACE(c.message);
        ChildResult r = RunInChild([&] {
            bbInstallSignalHandlers();
            c.body();
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, kStatusError);
        EXPECT_EQ(r.out, std::string("Vantor Runtime Error : ") + c.message + "\n\n");
        EXPECT_EQ(r.err, kStopHeader);
    }
    ChildResult unknown = RunInChild([] { sighandler(SIGUSR1); });
    EXPECT_EQ(unknown.out, "Vantor Runtime Error : Unknown signal\n\n");
}

}  // namespace
