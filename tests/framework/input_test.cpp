// The input device's rules as the application sees them during an update:
// hits and key-down flags, the 33-hit and 32-character queues, the mirroring
// of the left button and touch 0, positions, joystick buttons and the rule
// that joysticks after the first missing one are not polled, the range of
// key codes, and a held cursor key arriving through the real window
// callbacks. Events enter through the host's wrappers, updates through
// UpdateGame, as in the program.
#include <gtest/gtest.h>

#include <vector>

#include "tests/framework/framework_fixture.h"

using namespace glfw2;

namespace {

using Event = c_BBGameEvent;

constexpr int KEY_B = KEY_A + 1;

// Counts the joystick polls the input device asks the host for.
class PollCountingHost : public BBGlfwGame {
public:
    std::vector<int> polled;
    bool PollJoystick(int port, Array<float> x, Array<float> y, Array<float> z,
                      Array<bool> b) override {
        polled.push_back(port);
        return BBGlfwGame::PollJoystick(port, x, y, z, b);
    }
};

class InputTest : public FrameworkTest {
protected:
    // Runs one update and calls `check` inside it.
    void Update(const std::function<void()>& check) {
        TestApp::onUpdate = check;
        host_->UpdateGame();
        TestApp::onUpdate = nullptr;
    }
    void Key(int event, int code) { host_->KeyEvent(event, code); }
};

}  // namespace

TEST_F(InputTest, HitsCountPressesSinceTheLastUpdateAndLiveForOneUpdate) {
    StartApp();
    Key(Event::KeyDown, KEY_A);
    Key(Event::KeyUp, KEY_A);
    Key(Event::KeyDown, KEY_B);
    Key(Event::KeyUp, KEY_B);
    Key(Event::KeyDown, KEY_B);
    Key(Event::KeyDown, KEY_B);  // a repeat of a held key
    Update([] {
        EXPECT_EQ(bb_input_KeyHit(KEY_A), 1);
        EXPECT_FALSE(bb_input_KeyDown(KEY_A));
        EXPECT_EQ(bb_input_KeyHit(KEY_B), 2);
        EXPECT_TRUE(bb_input_KeyDown(KEY_B));
    });
    Update([] {
        EXPECT_EQ(bb_input_KeyHit(KEY_A), 0);
        EXPECT_EQ(bb_input_KeyHit(KEY_B), 0);
        EXPECT_TRUE(bb_input_KeyDown(KEY_B));
    });
}

TEST_F(InputTest, OnlyTheFirst33HitsOfAnUpdateCountButEveryKeyGoesDown) {
    StartApp();
    for (int i = 0; i < 40; ++i)
        Key(Event::KeyDown, 100 + i);
    Update([] {
        int hits = 0;
        for (int i = 0; i < 40; ++i) {
            EXPECT_TRUE(bb_input_KeyDown(100 + i)) << i;
            hits += bb_input_KeyHit(100 + i);
            EXPECT_EQ(bb_input_KeyHit(100 + i), i < 33 ? 1 : 0) << i;
        }
        EXPECT_EQ(hits, 33);
    });
    // The queue is empty again: a new press counts.
    Key(Event::KeyDown, KEY_SPACE);
    Update([] { EXPECT_EQ(bb_input_KeyHit(KEY_SPACE), 1); });
}

TEST_F(InputTest, CharactersComeInTypingOrderUpTo32AndUnreadOnesAreLost) {
    StartApp();
    for (int i = 0; i < 35; ++i)
        Key(Event::KeyChar, 'a' + i);
    Update([] {
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(bb_input_GetChar(), 'a' + i) << i;
        EXPECT_EQ(bb_input_GetChar(), 0);
        EXPECT_EQ(bb_input_GetChar(), 0);
    });
    Key(Event::KeyChar, 'x');
    Key(Event::KeyChar, 'y');
    Update([] { EXPECT_EQ(bb_input_GetChar(), 'x'); });
    Update([] { EXPECT_EQ(bb_input_GetChar(), 0); });
}

TEST_F(InputTest, TheLeftButtonAndTouchZeroAreOnePointer) {
    StartApp();
    host_->MouseEvent(Event::MouseDown, 0, 10, 20);
    Update([] {
        EXPECT_TRUE(bb_input_KeyDown(KEY_LMB));
        EXPECT_TRUE(bb_input_KeyDown(KEY_TOUCH0));
        EXPECT_EQ(bb_input_KeyHit(KEY_LMB), 1);
        EXPECT_EQ(bb_input_KeyHit(KEY_TOUCH0), 1);
        EXPECT_TRUE(bb_input_MouseDown(0));
        EXPECT_TRUE(bb_input_TouchDown(0));
        EXPECT_EQ(bb_input_MouseX(), 10);
        EXPECT_EQ(bb_input_MouseY(), 20);
        EXPECT_EQ(bb_input_TouchX(0), 10);
        EXPECT_EQ(bb_input_TouchY(0), 20);
    });
    host_->MouseEvent(Event::MouseUp, 0, 50, 60);
    Update([] {
        EXPECT_FALSE(bb_input_KeyDown(KEY_LMB));
        EXPECT_FALSE(bb_input_KeyDown(KEY_TOUCH0));
        EXPECT_EQ(bb_input_MouseX(), 10);
    });
    // A touch of finger 0 is a left click too, the other way round.
    host_->TouchEvent(Event::TouchDown, 0, 7, 8);
    Update([] {
        EXPECT_EQ(bb_input_MouseHit(0), 1);
        EXPECT_EQ(bb_input_MouseX(), 7);
        EXPECT_EQ(bb_input_TouchY(0), 8);
    });
    host_->TouchEvent(Event::TouchUp, 0, 0, 0);
    host_->TouchEvent(Event::TouchDown, 3, 30, 40);
    Update([] {
        EXPECT_FALSE(bb_input_MouseDown(0));
        EXPECT_TRUE(bb_input_TouchDown(3));
        EXPECT_EQ(bb_input_TouchX(3), 30);
        EXPECT_EQ(bb_input_MouseX(), 7);
    });
}

TEST_F(InputTest, OtherButtonsAndMovesChangeOnlyWhatTheyOwn) {
    StartApp();
    host_->MouseEvent(Event::MouseDown, 1, 5, 5);
    host_->MouseEvent(Event::MouseUp, 1, 99, 99);
    host_->MouseEvent(Event::MouseMove, -1, 11, 12);
    host_->MotionEvent(Event::MotionAccel, 0, 0.5f, -0.25f, 1);
    Update([] {
        EXPECT_EQ(bb_input_MouseHit(1), 1);
        EXPECT_FALSE(bb_input_MouseDown(1));
        EXPECT_FALSE(bb_input_KeyDown(KEY_TOUCH0));
        EXPECT_EQ(bb_input_KeyHit(KEY_TOUCH0), 0);
        EXPECT_EQ(bb_input_MouseX(), 11);
        EXPECT_EQ(bb_input_TouchY(0), 12);
        EXPECT_EQ(bb_input_AccelX(), 0.5f);
        EXPECT_EQ(bb_input_AccelY(), -0.25f);
    });
}

TEST_F(InputTest, KeyCodesOutsideTheKeySpaceReadAsNothingAndAreIgnored) {
    StartApp();
    for (int code : {0, -1, 512, 100000, -100000})
        Key(Event::KeyDown, code);
    // Touches past the 32 the device has would land on other keys' codes
    // (the close key among them).
    for (int touch : {32, KEY_CLOSE - KEY_TOUCH0, 127, 200, -1})
        host_->TouchEvent(Event::TouchDown, touch, 1, 1);
    host_->TouchEvent(Event::TouchMove, -5, 1, 1);
    Update([] {
        EXPECT_FALSE(bb_input_KeyDown(KEY_CLOSE));
        EXPECT_FALSE(bb_input_KeyDown(KEY_TOUCH0 - 1));
        EXPECT_FALSE(bb_input_KeyDown(0));
        EXPECT_FALSE(bb_input_KeyDown(512));
        EXPECT_EQ(bb_input_KeyHit(-1), 0);
        EXPECT_EQ(bb_input_KeyHit(0), 0);
        EXPECT_EQ(bb_input_TouchX(-1), 0);
        EXPECT_EQ(bb_input_TouchX(32), 0);
        // Nothing took a place in the hit queue.
        EXPECT_EQ(bb_input_device->m__keyHitPut, 0);
    });
}

TEST_F(InputTest, JoystickButtonsBecomeKeysAndPadsAfterAMissingOneAreNotPolled) {
    delete host_;
    auto* host = new PollCountingHost();
    host_ = host;
    bb_app__game = host_;
    StartApp();

    // Pads 0 and 2 are plugged in, pad 1 is not: pad 2 is never looked at.
    glfw_fake::SetJoystick(0, {0.5f, -0.5f}, {GLFW_RELEASE, GLFW_PRESS});
    glfw_fake::SetJoystick(2, {}, {GLFW_PRESS});
    Update([] {
        EXPECT_TRUE(bb_input_JoyDown(1, 0));
        EXPECT_EQ(bb_input_JoyHit(1, 0), 1);
        EXPECT_TRUE(bb_input_KeyDown(KEY_JOY0 + 1));
        EXPECT_FALSE(bb_input_JoyDown(0, 0));
        EXPECT_FALSE(bb_input_JoyDown(0, 2));
        EXPECT_EQ(bb_input_JoyX(0, 0), 0.5f);
        EXPECT_EQ(bb_input_JoyY(0, 0), -0.5f);
    });
    EXPECT_EQ(host->polled, (std::vector<int>{0, 1}));

    // Held: down without a new hit; released: up.
    Update([] {
        EXPECT_TRUE(bb_input_JoyDown(1, 0));
        EXPECT_EQ(bb_input_JoyHit(1, 0), 0);
    });
    glfw_fake::SetJoystick(0, {0, 0}, {GLFW_RELEASE, GLFW_RELEASE});
    Update([] { EXPECT_FALSE(bb_input_JoyDown(1, 0)); });

    // Unplugged: polling stops at pad 0 and its last state stays.
    glfw_fake::SetJoystick(0, {0, 0}, {GLFW_PRESS});
    Update([] {});
    glfw_fake::RemoveJoystick(0);
    host->polled.clear();
    Update([] { EXPECT_TRUE(bb_input_JoyDown(0, 0)); });
    EXPECT_EQ(host->polled, (std::vector<int>{0}));
}

TEST_F(InputTest, AHeldCursorKeyGivesOneHitAndACharacterPerRepeat) {
    host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartApp();
    glfw_fake::Inject(glfw_fake::Key(GLFW_KEY_UP, GLFW_PRESS));
    glfw_fake::Inject(glfw_fake::Key(GLFW_KEY_UP, glfw_fake::kRepeat));
    glfw_fake::Inject(glfw_fake::Key(GLFW_KEY_UP, glfw_fake::kRepeat));
    glfw_fake::Inject(glfw_fake::Key('A', GLFW_PRESS));
    glfw_fake::Inject(glfw_fake::Char('a'));
    glfwPollEvents();
    Update([] {
        EXPECT_EQ(bb_input_KeyHit(KEY_UP), 1);
        EXPECT_TRUE(bb_input_KeyDown(KEY_UP));
        EXPECT_EQ(bb_input_KeyHit(KEY_A), 1);
        EXPECT_EQ(bb_input_GetChar(), 65574);
        EXPECT_EQ(bb_input_GetChar(), 65574);
        EXPECT_EQ(bb_input_GetChar(), 65574);
        EXPECT_EQ(bb_input_GetChar(), 'a');
        EXPECT_EQ(bb_input_GetChar(), 0);
    });
}
