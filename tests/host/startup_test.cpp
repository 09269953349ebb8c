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

TEST_F(StartupTest, StartUpRunsInOrderAndDrawsOneFrameBeforeAnyUpdate) {
    mainHook = [] {
        auto* d = new RecordingDelegate();
        d->onStart = [] { BBGame::_game->SetUpdateRate(60); };
        BBGame::_game->SetDelegate(d);
        // Close the window a little after the first update.
        glfw_fake::EndAt(1.5 / 60);
    };
    const ChildResult r = RunMain();
    EXPECT_EQ(r.status, kChildBodyReturned);
    EXPECT_EQ(r.out,
              "glfwInit;bbInit;bbMain;glfwOpenWindow;start;render;update;render;glfwTerminate; "
              "result=0\n");
}

TEST_F(StartupTest, ACommandLineChangesNothing) {
    mainHook = [] { printf("argc=%d ", argc); };
    const ChildResult plain = RunMain();
    const ChildResult args = RunMain({"dropling", "--fullscreen", "-x", "data/"});
    EXPECT_EQ(plain.out, "argc=1 glfwInit;bbInit;bbMain;glfwTerminate; result=0\n");
    EXPECT_EQ(args.out, "argc=4 glfwInit;bbInit;bbMain;glfwTerminate; result=0\n");
}

TEST_F(StartupTest, AFailingGlfwInitEndsTheProcessBeforeAnythingElse) {
    glfw_fake::SetInitResult(false);
    const ChildResult r = RunMain();
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "glfwInit failed\n");
}

TEST_F(StartupTest, ALanguageExceptionDuringStartUpTerminatesGlfwAndEndsTheProcess) {
    for (bool inInit : {true, false}) {
        std::function<void()> thrower = [] {
            atexit([] { printf("terminated=%d\n", glfw_fake::Count("glfwTerminate")); });
            throw new ThrowableObject();
        };
        initHook = inInit ? thrower : nullptr;
        mainHook = inInit ? nullptr : thrower;
        const ChildResult r = RunMain();
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, "Vantor Runtime Error : Uncaught Vantor Exception\nterminated=1\n")
            << inInit;
    }
}
