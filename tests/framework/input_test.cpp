// The input device's rules as the application sees them during an update: hits and key-down
// flags, the 33-hit and 32-character queues, the mirroring of the left button and touch 0,
// positions and codes outside the key space, joystick buttons and the rule that joysticks after
// the first missing one are not polled, and a held cursor key arriving through the real window
// callbacks. Events enter through the host's wrappers, updates through UpdateGame, as in the
// program.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
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
public:
    // Runs one update and calls `read` inside it.
    void Update(const std::function<void()>& read) {
        TestApp::onUpdate = read;
        host_->UpdateGame();
        TestApp::onUpdate = nullptr;
    }
    void Key(int event, int code) { host_->KeyEvent(event, code); }
};

// What the next update sees of the keys: hits and down flags of A and B, the hits and down flags
// of the keys 100 to 139 counted, the hits of keys 129 and 130, and `count` characters read
// ('-' for none).
std::string SeenKeys(InputTest& test, int count) {
    std::ostringstream s;
    test.Update([&s, count] {
        int hits = 0, downs = 0;
        for (int code = 100; code < 140; ++code) {
            hits += bb_input_KeyHit(code);
            downs += bb_input_KeyDown(code);
        }
        s << "A " << bb_input_KeyHit(KEY_A) << bb_input_KeyDown(KEY_A) << " B "
          << bb_input_KeyHit(KEY_B) << bb_input_KeyDown(KEY_B) << " keys " << hits << ' ' << downs
          << " 129,130 " << bb_input_KeyHit(129) << bb_input_KeyHit(130) << " chars ";
        for (int i = 0; i < count; ++i) {
            const int c = bb_input_GetChar();
            s << static_cast<char>(c ? c : '-');
        }
    });
    return s.str();
}

TEST_F(InputTest, HitsLiveOneUpdateOnly33CountAndUpTo32CharactersQueue) {
    StartApp();
    for (int event : {Event::KeyDown, Event::KeyUp, Event::KeyDown, Event::KeyDown})
        Key(event, KEY_B);  // the last a repeat of a held key
    Key(Event::KeyDown, KEY_A);
    Key(Event::KeyUp, KEY_A);
    for (int i = 0; i < 40; ++i)  // the hit queue has 30 places left
        Key(Event::KeyDown, 100 + i);
    for (int i = 0; i < 35; ++i)
        Key(Event::KeyChar, '0' + i);
    EXPECT_EQ(SeenKeys(*this, 35),
              "A 10 B 21 keys 30 40 129,130 10 chars "
              "0123456789:;<=>?@ABCDEFGHIJKLMNO---");
    // Both queues are empty again; characters an update did not read are lost.
    Key(Event::KeyDown, KEY_A);
    Key(Event::KeyChar, 'x');
    Key(Event::KeyChar, 'y');
    EXPECT_EQ(SeenKeys(*this, 1), "A 11 B 01 keys 0 40 129,130 00 chars x");
    EXPECT_EQ(SeenKeys(*this, 1), "A 01 B 01 keys 0 40 129,130 00 chars -");
}

// What the next update sees of the pointer: the left button and touch 0 down and hit, the mouse
// and touch 0 positions, button 1 down and hit, touch 3 down and its x, the accelerometer, the
// places taken in the hit queue, and the close key down plus every read of a code outside the
// key space.
std::string SeenPointer(InputTest& test) {
    std::ostringstream s;
    test.Update([&s] {
        s << "down " << bb_input_MouseDown(0) << bb_input_TouchDown(0) << " hit "
          << bb_input_MouseHit(0) << bb_input_KeyHit(KEY_TOUCH0) << " at " << bb_input_MouseX()
          << ',' << bb_input_MouseY() << ' ' << bb_input_TouchX(0) << ',' << bb_input_TouchY(0)
          << " b1 " << bb_input_MouseDown(1) << bb_input_MouseHit(1) << " t3 "
          << bb_input_TouchDown(3) << ' ' << bb_input_TouchX(3) << " tilt " << bb_input_AccelX()
          << ',' << bb_input_AccelY() << " queue " << bb_input_device->m__keyHitPut << " outside "
          << bb_input_KeyDown(KEY_CLOSE) + bb_input_KeyDown(0) + bb_input_KeyDown(KEY_COUNT) +
                 bb_input_KeyDown(KEY_TOUCH0 - 1) + bb_input_KeyHit(-1) + bb_input_KeyHit(0) +
                 bb_input_TouchX(-1) + bb_input_TouchX(32);
    });
    return s.str();
}

TEST_F(InputTest, TheLeftButtonAndTouchZeroAreOnePointerAndStrayCodesAreIgnored) {
    StartApp();
    host_->MouseEvent(Event::MouseDown, 0, 10, 20);
    EXPECT_EQ(SeenPointer(*this),
              "down 11 hit 11 at 10,20 10,20 b1 00 t3 0 0 tilt 0,0 queue 2 outside 0");
    host_->MouseEvent(Event::MouseUp, 0, 50, 60);  // the position stays
    EXPECT_EQ(SeenPointer(*this),
              "down 00 hit 00 at 10,20 10,20 b1 00 t3 0 0 tilt 0,0 queue 0 outside 0");
    host_->TouchEvent(Event::TouchDown, 0, 7, 8);
    EXPECT_EQ(SeenPointer(*this),
              "down 11 hit 11 at 7,8 7,8 b1 00 t3 0 0 tilt 0,0 queue 2 outside 0");
    host_->TouchEvent(Event::TouchUp, 0, 0, 0);
    host_->TouchEvent(Event::TouchDown, 3, 30, 40);
    EXPECT_EQ(SeenPointer(*this),
              "down 00 hit 00 at 7,8 7,8 b1 00 t3 1 30 tilt 0,0 queue 1 outside 0");
    host_->MouseEvent(Event::MouseDown, 1, 5, 5);
    host_->MouseEvent(Event::MouseUp, 1, 99, 99);
    host_->MouseEvent(Event::MouseMove, -1, 11, 12);
    host_->MotionEvent(Event::MotionAccel, 0, 0.5f, -0.25f, 1);
    EXPECT_EQ(SeenPointer(*this),
              "down 00 hit 00 at 11,12 11,12 b1 01 t3 1 30 tilt 0.5,-0.25 queue 1 outside 0");
    // Codes outside the key space, and touches past the 32 the device has (which would land on
    // other keys' codes, the close key among them), change nothing.
    for (int code : {0, -1, int{KEY_COUNT}, 100000, -100000})
        Key(Event::KeyDown, code);
    for (int touch : {32, KEY_CLOSE - KEY_TOUCH0, 127, 200, -1})
        host_->TouchEvent(Event::TouchDown, touch, 1, 1);
    host_->TouchEvent(Event::TouchMove, -5, 1, 1);
    EXPECT_EQ(SeenPointer(*this),
              "down 00 hit 00 at 11,12 11,12 b1 00 t3 1 30 tilt 0.5,-0.25 queue 0 outside 0");
}

TEST_F(InputTest, JoystickButtonsBecomeKeysAndPadsAfterAMissingOneAreNotPolled) {
    delete host_;
    auto* host = new PollCountingHost();
    host_ = host;
    bb_app__game = host_;
    StartApp();
    // Button 1 of pad 0 down and hit, its key, button 0 of pads 0 and 2, the axes of pad 0.
    auto pads = [this] {
        std::vector<float> seen;
        Update([&seen] {
            seen = {float(bb_input_JoyDown(1, 0)),
                    float(bb_input_JoyHit(1, 0)),
                    float(bb_input_KeyDown(KEY_JOY0 + 1)),
                    float(bb_input_JoyDown(0, 0)),
                    float(bb_input_JoyDown(0, 2)),
                    bb_input_JoyX(0, 0),
                    bb_input_JoyY(0, 0)};
        });
        return seen;
    };
    // Pads 0 and 2 are plugged in, pad 1 is not: pad 2 is never looked at.
    glfw_fake::SetJoystick(0, {0.5f, -0.5f}, {GLFW_RELEASE, GLFW_PRESS});
    glfw_fake::SetJoystick(2, {}, {GLFW_PRESS});
    EXPECT_EQ(pads(), (std::vector<float>{1, 1, 1, 0, 0, 0.5f, -0.5f}));
    EXPECT_EQ(host->polled, (std::vector<int>{0, 1}));
    EXPECT_EQ(pads(), (std::vector<float>{1, 0, 1, 0, 0, 0.5f, -0.5f})) << "held: no new hit";
    glfw_fake::SetJoystick(0, {0, 0}, {GLFW_RELEASE, GLFW_RELEASE});
    EXPECT_EQ(pads(), (std::vector<float>(7, 0)));

    // Unplugged: polling stops at pad 0 and its last state stays.
    glfw_fake::SetJoystick(0, {0, 0}, {GLFW_PRESS});
    pads();
    glfw_fake::RemoveJoystick(0);
    host->polled.clear();
    EXPECT_EQ(pads(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0}));
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
    std::vector<int> seen;
    Update([&seen] {
        seen = {bb_input_KeyHit(KEY_UP), bb_input_KeyDown(KEY_UP), bb_input_KeyHit(KEY_A)};
        for (int i = 0; i < 5; ++i)
            seen.push_back(bb_input_GetChar());
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 65574, 65574, 65574, 'a', 0}));
}

}  // namespace
