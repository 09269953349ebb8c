// Start-up and entry, each run in a child process because start-up installs
// signal handlers and may end the process: the order from glfwInit to the
// first frame, a failing glfwInit, a window that cannot be opened, a language
// exception during start-up or from the running application, a program that
// attaches no application, and a command line that changes nothing. This
// test program defines bbInit and bbMain itself, steered by the test through
// two hooks.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "host/vantorgame.h"
#include "tests/host/host_fixture.h"
#include "tests/support/child_process.h"

namespace {

std::function<void()> initHook;
std::function<void()> mainHook;

// The delegate's marks and the library's start, window and end, on standard
// output.
void PrintTrace() {
    for (const auto& entry : Trace({"glfwInit", "glfwOpenWindow", "glfwTerminate"}))
        printf("%s; ", entry.c_str());
}

// A recording delegate attached to the program's host, its application
// asking for 60 updates per second.
RecordingDelegate* AttachAtSixty() {
    auto* d = new RecordingDelegate();
    d->onStart = [] { BBGame::_game->SetUpdateRate(60); };
    BBGame::_game->SetDelegate(d);
    return d;
}

using StartupTest = GcTest;

}  // namespace

int bbInit() {
    glfw_fake::Mark("bbInit");
    if (initHook) initHook();
    return 0;
}

int bbMain() {
    glfw_fake::Mark("bbMain");
    if (mainHook) mainHook();
    return 0;
}

// Each case runs the program's entry in a child after its own step there;
// the child prints the record (and Main's result) when Main returns, or at
// exit after a language exception.
TEST_F(StartupTest, StartUpRunsInOrderAndEndsEarlyOnlyOnItsFailures) {
    const auto thrower = [] {
        atexit(PrintTrace);
        throw new ThrowableObject();
    };
    const std::string uncaught = "Vantor Runtime Error : Uncaught Vantor Exception\n";
    const std::string window = "glfwOpenWindow 640 480 8 8 8 0 0 0 WINDOW; ";
    const struct {
        const char* name;
        std::function<void()> setUp;
        int status;
        std::string out;
        std::vector<const char*> args = {"dropling"};
    } cases[] = {
        // One frame is drawn before any update; the command line changes
        // nothing.
        {"a run",
         [] {
             mainHook = [] {
                 printf("argc=%d ", argc);
                 AttachAtSixty();
                 glfw_fake::EndAt(1.5 / 60);  // a little after the first update
             };
         },
         kChildBodyReturned,
         "argc=4 glfwInit; bbInit; bbMain; " + window +
             "start; render; update; render; glfwTerminate; result=0\n",
         {"dropling", "--fullscreen", "-x", "data/"}},
        {"no application", [] {}, kChildBodyReturned,
         "glfwInit; bbInit; bbMain; glfwTerminate; result=0\n"},
        {"glfwInit fails", [] { glfw_fake::SetInitResult(false); }, 255, "glfwInit failed\n"},
        // The application never starts without a window to draw into.
        {"no window",
         [] {
             mainHook = [] {
                 atexit(PrintTrace);
                 AttachAtSixty();
             };
             glfw_fake::SetOpenResult(false);
         },
         255,
         "host: the window could not be opened (640x480, windowed)\nglfwInit; bbInit; bbMain; " +
             window + "glfwTerminate; "},
        {"bbInit throws", [&] { initHook = thrower; }, 255,
         uncaught + "glfwInit; bbInit; glfwTerminate; "},
        {"bbMain throws", [&] { mainHook = thrower; }, 255,
         uncaught + "glfwInit; bbInit; bbMain; glfwTerminate; "},
        {"update throws", [&] { mainHook = [&] { AttachAtSixty()->onUpdate = thrower; }; }, 255,
         uncaught + "glfwInit; bbInit; bbMain; " + window + "start; render; update; "},
    };
    for (const auto& c : cases) {
        const ChildResult r = RunInChild([&] {
            glfw_fake::Reset();
            c.setUp();
            std::vector<const char*> args = c.args;
            const int result = BBVantorGame::Main(static_cast<int>(args.size()), args.data());
            PrintTrace();
            printf("result=%d\n", result);
        });
        EXPECT_TRUE(r.exited) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
    }
}
