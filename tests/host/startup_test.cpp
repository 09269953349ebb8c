// Start-up and entry, each run in a child process because start-up installs
// signal handlers and may end the process: the order from glfwInit to the
// first frame, a failing glfwInit, a language exception during start-up, a
// program that attaches no application, and a command line that changes
// nothing. This test program defines bbInit and bbMain itself, steered by
// the test through two hooks.
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

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts)
        out += p + ";";
    return out;
}

class StartupTest : public GcTest {
protected:
    void SetUp() override {
        GcTest::SetUp();
        glfw_fake::Reset();
        initHook = nullptr;
        mainHook = nullptr;
    }

    // Runs the program's entry in a child; the child prints the record of
    // window calls and delegate marks (and Main's result) to standard output
    // when Main returns.
    static ChildResult RunMain(std::vector<const char*> args = {"dropling"}) {
        return RunInChild([args] {
            std::vector<const char*> argv_ = args;
            const int result = BBVantorGame::Main(static_cast<int>(argv_.size()), argv_.data());
            std::vector<std::string> names;
            for (const auto& c : glfw_fake::Calls()) {
                if (c.name == "mark") {
                    names.push_back(c.text);
                } else if (c.name == "glfwInit" || c.name == "glfwTerminate" ||
                           c.name == "glfwOpenWindow") {
                    names.push_back(c.name);
                }
            }
            printf("%s result=%d\n", Joined(names).c_str(), result);
        });
    }
};

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

// Each case runs the program's entry in a child: the order of start-up, one
// frame drawn before any update, a command line that changes nothing, and
// the ends: glfwInit failing before anything else, and a language exception
// in bbInit or bbMain ending the process after glfwTerminate.
TEST_F(StartupTest, StartUpRunsInOrderAndEndsEarlyOnlyOnItsFailures) {
    const auto thrower = [] {
        atexit([] { printf("terminated=%d\n", glfw_fake::Count("glfwTerminate")); });
        throw new ThrowableObject();
    };
    const auto countArgs = [] { printf("argc=%d ", argc); };
    const std::string uncaught = "Vantor Runtime Error : Uncaught Vantor Exception\nterminated=1\n";
    const struct {
        const char* name;
        bool initOk;
        std::function<void()> onInit, onMain;
        std::vector<const char*> args;
        int status;
        std::string out;
    } cases[] = {
        {"a run", true, nullptr,
         [] {
             auto* d = new RecordingDelegate();
             d->onStart = [] { BBGame::_game->SetUpdateRate(60); };
             BBGame::_game->SetDelegate(d);
             glfw_fake::EndAt(1.5 / 60);  // a little after the first update
         },
         {"dropling"}, kChildBodyReturned,
         "glfwInit;bbInit;bbMain;glfwOpenWindow;start;render;update;render;glfwTerminate; "
         "result=0\n"},
        {"no arguments", true, nullptr, countArgs, {"dropling"}, kChildBodyReturned,
         "argc=1 glfwInit;bbInit;bbMain;glfwTerminate; result=0\n"},
        {"arguments", true, nullptr, countArgs, {"dropling", "--fullscreen", "-x", "data/"},
         kChildBodyReturned, "argc=4 glfwInit;bbInit;bbMain;glfwTerminate; result=0\n"},
        {"glfwInit fails", false, nullptr, nullptr, {"dropling"}, 255, "glfwInit failed\n"},
        {"bbInit throws", true, thrower, nullptr, {"dropling"}, 255, uncaught},
        {"bbMain throws", true, nullptr, thrower, {"dropling"}, 255, uncaught},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        glfw_fake::Reset();
        glfw_fake::SetInitResult(c.initOk);
        initHook = c.onInit;
        mainHook = c.onMain;
        const ChildResult r = RunMain(c.args);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
    }
}
