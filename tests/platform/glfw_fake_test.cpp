// The scripted window layer's own non-trivial parts: the event timeline and
// its virtual clock, the hooks, the close veto, repeats, and the safety net
// that ends a runaway loop. Also proves that a program linking the fake and
// the real platform library gets the fake's window calls and the real
// _wfopen.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix_compat.h"
#include "tests/fakes/glfw_fake.h"

using namespace glfw2;

namespace {

std::vector<std::string> seen;

void OnKey(int key, int action) {
    seen.push_back("key " + std::to_string(key) + " " + std::to_string(action));
}
void OnChar(int c, int) {
    seen.push_back("char " + std::to_string(c));
}
void OnButton(int b, int action) {
    seen.push_back("button " + std::to_string(b) + " " + std::to_string(action));
}
void OnMove(int x, int y) {
    seen.push_back("move " + std::to_string(x) + " " + std::to_string(y));
}
int closeAnswer = 0;
int OnClose() {
    seen.push_back("close");
    return closeAnswer;
}

class FakeLayer : public ::testing::Test {
protected:
    void SetUp() override {
        glfw_fake::Reset();
        seen.clear();
        closeAnswer = 0;
        ASSERT_EQ(glfwInit(), 1);
        ASSERT_EQ(glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW), 1);
        glfwSetKeyCallback(OnKey);
        glfwSetCharCallback(OnChar);
        glfwSetMouseButtonCallback(OnButton);
        glfwSetMousePosCallback(OnMove);
        glfwSetWindowCloseCallback(OnClose);
        seen.clear();  // setting the position callback reports the position once
    }
};

TEST_F(FakeLayer, WaitJumpsTheClockToTheNextScriptedEventsAndEndsWhenTheScriptDoes) {
    using glfw_fake::At;
    At(2.0, glfw_fake::Char('b'));
    At(0.5, glfw_fake::Key('A', GLFW_PRESS));
    At(2.0, glfw_fake::MouseButton(0, GLFW_PRESS));  // same time: kept in the given order
    At(0.5, glfw_fake::MousePos(3, 4));

    glfwPollEvents();  // nothing due yet
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(glfwGetTime(), 0.0);

    glfwWaitEvents();
    EXPECT_EQ(glfwGetTime(), 0.5);
    EXPECT_EQ(seen, (std::vector<std::string>{"key 65 1", "move 3 4"}));
    EXPECT_EQ(glfwGetKey('A'), GLFW_PRESS);

    glfwSleep(3.0);  // past the next events: the next poll delivers both, late
    EXPECT_EQ(glfwGetTime(), 3.5);
    seen.clear();
    glfwPollEvents();
    EXPECT_EQ(seen, (std::vector<std::string>{"char 98", "button 0 1"}));

    // Nothing left to wait for: the window goes, so a waiting loop ends.
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1);
    glfwWaitEvents();
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 0);
    EXPECT_EQ(glfwGetTime(), 3.5);
    EXPECT_EQ(glfw_fake::Sleeps(), std::vector<double>{3.0});
}

TEST_F(FakeLayer, InjectedEventsComeBeforeLaterOnesAndHooksCanInjectIntoTheSamePoll) {
    glfw_fake::At(1.0, glfw_fake::Char('z'));
    glfw_fake::Inject(glfw_fake::Char('x'));
    int polls = 0;
    glfw_fake::OnPoll([&] {
        if (++polls == 1) glfw_fake::Inject(glfw_fake::Char('y'));
    });
    glfwWaitEvents();  // something is queued: no jump
    EXPECT_EQ(glfwGetTime(), 0.0);
    EXPECT_EQ(seen, (std::vector<std::string>{"char 120", "char 121"}));
    glfwWaitEvents();
    EXPECT_EQ(glfwGetTime(), 1.0);
    EXPECT_EQ(seen.back(), "char 122");
    EXPECT_EQ(polls, 2);
}

TEST_F(FakeLayer, WindowStatesCloseVetoAndWindowLost) {
    glfw_fake::At(1.0, glfw_fake::Focus(false));
    glfw_fake::At(2.0, glfw_fake::Iconify(true));
    glfw_fake::At(3.0, glfw_fake::Iconify(false));
    glfw_fake::At(4.0, glfw_fake::Close());
    glfw_fake::EndAt(5.0);
    struct Expect {
        int active, iconified, opened;
    };
    const Expect after[] = {{0, 0, 1}, {0, 1, 1}, {1, 0, 1}, {1, 0, 1}, {0, 0, 0}};
    for (const Expect& e : after) {
        glfwWaitEvents();
        EXPECT_EQ(glfwGetWindowParam(GLFW_ACTIVE), e.active) << "at " << glfwGetTime();
        EXPECT_EQ(glfwGetWindowParam(GLFW_ICONIFIED), e.iconified) << "at " << glfwGetTime();
        EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), e.opened) << "at " << glfwGetTime();
    }
    EXPECT_EQ(seen, std::vector<std::string>{"close"}) << "the veto kept the window at 4";

    // Without a veto the close button closes it, and its callbacks are gone.
    glfwOpenWindow(0, 0, 0, 0, 0, 0, 0, 0, GLFW_WINDOW);
    EXPECT_EQ(glfw_fake::CloseCallback(), nullptr);
    glfw_fake::Inject(glfw_fake::Close());
    glfwPollEvents();
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 0);
}

TEST_F(FakeLayer, RepeatsReachTheCallbackOnlyWithKeyRepeatOn) {
    glfw_fake::Inject(glfw_fake::Key(GLFW_KEY_UP, glfw_fake::kRepeat));
    glfwPollEvents();
    glfwEnable(GLFW_KEY_REPEAT);
    glfw_fake::Inject(glfw_fake::Key(GLFW_KEY_UP, glfw_fake::kRepeat));
    glfwPollEvents();
    EXPECT_EQ(seen, std::vector<std::string>{"key 283 1"});
}

TEST_F(FakeLayer, PollLimitEndsARunawayLoop) {
    glfw_fake::SetPollLimit(10);
    int passes = 0;
    while (glfwGetWindowParam(GLFW_OPENED) && passes < 1000) {
        glfwPollEvents();
        ++passes;
    }
    EXPECT_EQ(passes, 11);
    EXPECT_TRUE(glfw_fake::PollLimitReached());
}

TEST(FakeLink, TheRealWideFopenStaysAvailable) {
    // _wfopen comes from dropling_platform although its window layer does not.
    EXPECT_EQ(_wfopen(u"/nonexistent/dropling", u"rb"), nullptr);
    glfw_fake::Reset();
    glfw_fake::SetTime(12.5);
    EXPECT_EQ(glfwGetTime(), 12.5);
}

}  // namespace
