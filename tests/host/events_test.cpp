// Window events into host events, and the window itself: the key and
// character tables, what each callback sends (keys, repeats, characters,
// mouse buttons and positions, the close button), joystick polling with its
// axis re-mapping, window (re)creation with its held-key release, centring,
// switches and sequence number, and the display mode queries. Driven through
// the scripted window layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/host_fixture.h"

using namespace glfw2;

namespace {

using EventsTest = HostTest;

// Delivers the injected events and returns the delegate's marks.
std::vector<std::string> Deliver() {
    glfw_fake::ClearRecord();
    glfwPollEvents();
    return Trace();
}

}  // namespace

// GLFW 2 key -> key code -> the character the key also types.
TEST_F(EventsTest, KeysTranslateByTheTableAndTheRestAreIgnored) {
    // clang-format off
    const struct {
        int key;
        int code;
        int character;
    } cases[] = {
        {'0', 48, 0}, {'9', 57, 0}, {'A', 65, 0}, {'Z', 90, 0}, {GLFW_KEY_SPACE, 32, 0},
        {'\'', 222, 0}, {'"', 222, 0}, {',', 188, 0}, {'-', 189, 0}, {'.', 190, 0}, {'/', 191, 0},
        {';', 186, 0}, {'=', 187, 0}, {'[', 219, 0}, {'\\', 220, 0}, {']', 221, 0}, {'`', 192, 0},
        {'~', 192, 0}, {GLFW_KEY_ESC, 27, 27}, {GLFW_KEY_F1, 112, 0}, {GLFW_KEY_F12, 123, 0},
        {GLFW_KEY_UP, 38, 65574}, {GLFW_KEY_DOWN, 40, 65576}, {GLFW_KEY_LEFT, 37, 65573},
        {GLFW_KEY_RIGHT, 39, 65575}, {GLFW_KEY_LSHIFT, 16, 0}, {GLFW_KEY_RSHIFT, 16, 0},
        {GLFW_KEY_LCTRL, 17, 0}, {GLFW_KEY_RCTRL, 17, 0}, {GLFW_KEY_TAB, 9, 9},
        {GLFW_KEY_ENTER, 13, 13}, {GLFW_KEY_BACKSPACE, 8, 8}, {GLFW_KEY_INSERT, 45, 65581},
        {GLFW_KEY_DEL, 46, 127}, {GLFW_KEY_PAGEUP, 33, 65569}, {GLFW_KEY_PAGEDOWN, 34, 65570},
        {GLFW_KEY_HOME, 36, 65572}, {GLFW_KEY_END, 35, 65571}, {GLFW_KEY_KP_0, 96, 0},
        {GLFW_KEY_KP_9, 105, 0}, {GLFW_KEY_KP_DIVIDE, 111, 0}, {GLFW_KEY_KP_MULTIPLY, 106, 0},
        {GLFW_KEY_KP_SUBTRACT, 109, 0}, {GLFW_KEY_KP_ADD, 107, 0}, {GLFW_KEY_KP_DECIMAL, 110, 0},
        // Ignored.
        {GLFW_KEY_F13, 0, 0}, {GLFW_KEY_F25, 0, 0}, {GLFW_KEY_LALT, 0, 0}, {GLFW_KEY_RALT, 0, 0},
        {GLFW_KEY_KP_EQUAL, 0, 0}, {GLFW_KEY_KP_ENTER, 0, 0}, {GLFW_KEY_KP_NUM_LOCK, 0, 0},
        {GLFW_KEY_CAPS_LOCK, 0, 0}, {GLFW_KEY_SCROLL_LOCK, 0, 0}, {GLFW_KEY_PAUSE, 0, 0},
        {GLFW_KEY_LSUPER, 0, 0}, {GLFW_KEY_RSUPER, 0, 0}, {GLFW_KEY_MENU, 0, 0}, {'a', 0, 0},
        {'!', 0, 0}, {31, 0, 0}, {-1, 0, 0}, {GLFW_KEY_SPECIAL, 0, 0}, {GLFW_KEY_LAST + 1, 0, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(BBGlfwGame::TransKey(c.key), c.code) << c.key;
        EXPECT_EQ(BBGlfwGame::KeyToChar(c.code), c.character) << c.key;
    }
}

// Each row plugs in a pad with axes of values 0.1, 0.2, ... and buttons of
// which every third is down, and polls it into sticks that held 9 (left x,
// y, z, right x, y, z) and 32 buttons that were all down.
TEST_F(EventsTest, JoysticksAreRemappedByTheirAxisCountAndKeepButtonsTheyDoNotHave) {
    const struct {
        bool present;
        int axes, buttons;
        std::vector<float> sticks;
    } rows[] = {
        {false, 0, 0, {9, 9, 9, 9, 9, 9}},
        {true, 2, 3, {.1f, .2f, 0, 0, 0, 0}},
        // Four axes: the third is the right stick's x.
        {true, 4, 0, {.1f, .2f, 0, .4f, .3f, 0}},
        // Five axes: the right stick's two change places.
        {true, 5, 0, {.1f, .2f, .3f, .5f, .4f, 0}},
        // More than six axes or 32 buttons: the rest are not read.
        {true, 7, 40, {.1f, .2f, .3f, .4f, .5f, .6f}},
    };
    for (const auto& row : rows) {
        std::vector<float> axes;
        std::vector<unsigned char> pad;
        for (int i = 0; i < row.axes; ++i)
            axes.push_back((i + 1) / 10.f);
        for (int i = 0; i < row.buttons; ++i)
            pad.push_back(i % 3 == 0 ? GLFW_PRESS : GLFW_RELEASE);
        glfw_fake::RemoveJoystick(1);
        if (row.present) glfw_fake::SetJoystick(1, axes, pad);
        Array<float> x(2), y(2), z(2);
        Array<bool> buttons(32);
        x[0] = x[1] = y[0] = y[1] = z[0] = z[1] = 9;
        std::fill(buttons.begin(), buttons.end(), true);
        EXPECT_EQ(host_->PollJoystick(1, x, y, z, buttons), row.present);
        EXPECT_EQ((std::vector<float>{x[0], y[0], z[0], x[1], y[1], z[1]}), row.sticks);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(buttons[i], i >= row.buttons || i % 3 == 0) << row.buttons << " " << i;
    }
}

// A windowed window is centred, titled and set up for the loop. Then keys
// send their code, characters come from the right place, a held cursor key
// sends its character on every repeat but one hit, the close button becomes
// the close key and leaves the window open, mouse buttons carry the cursor
// position and buttons above two are ignored. A switch releases held keys
// and buttons first; each window advances the sequence once and gets the
// host's callbacks again.
TEST_F(EventsTest, WindowsAreSetUpForTheLoopAndTheirCallbacksSendTheseEvents) {
    using namespace glfw_fake;
    const std::vector<std::string> calls = {
        "glfwCloseWindow",    "glfwOpenWindowHint", "glfwOpenWindow", "glfwSetWindowPos",
        "glfwSetWindowTitle", "glfwEnable",         "glfwDisable"};
    Attach();
    SetDesktopMode({1920, 1080, 8, 8, 8});
    host_->SetGlfwWindow(1024, 768, 8, 8, 8, 0, 0, 0, false);
    host_->StartGame();
    EXPECT_EQ(Trace(calls), (std::vector<std::string>{
                                "glfwCloseWindow", "glfwOpenWindowHint NO_RESIZE 0",
                                "glfwOpenWindow 1024 768 8 8 8 0 0 0 WINDOW",
                                "glfwSetWindowPos 448 156", "glfwSetWindowTitle Dropling in A Vuro",
                                "glfwEnable KEY_REPEAT", "glfwDisable AUTO_POLL_EVENTS", "start"}));
    EXPECT_EQ(glfwGraphicsSeq, 1);

    for (const Event& e :
         {Key('A', GLFW_PRESS), Key(GLFW_KEY_DEL, GLFW_PRESS), Key(GLFW_KEY_ENTER, GLFW_PRESS),
          Key(GLFW_KEY_LALT, GLFW_PRESS), Key(GLFW_KEY_F13, GLFW_PRESS),
          Key(GLFW_KEY_LSHIFT, GLFW_PRESS), Key(GLFW_KEY_RSHIFT, GLFW_PRESS), Char('a'),
          Key(GLFW_KEY_LSHIFT, GLFW_RELEASE), Key(GLFW_KEY_UP, GLFW_PRESS),
          Key(GLFW_KEY_UP, kRepeat), Key(GLFW_KEY_UP, GLFW_RELEASE), Close()})
        Inject(e);
    SetMousePos(10, 20);
    for (int button = 0; button <= GLFW_MOUSE_BUTTON_LAST; ++button) {
        Inject(MouseButton(button, GLFW_PRESS));
        Inject(MouseButton(button, GLFW_RELEASE));
    }
    Inject(MousePos(30, 40));
    Inject(MouseButton(1, GLFW_PRESS));
    EXPECT_EQ(Deliver(),
              (std::vector<std::string>{
                  "key 1 65",        "key 1 46",        "key 3 127",        "key 1 13",
                  "key 3 13",        "key 1 16",        "key 1 16",         "key 3 97",
                  "key 2 16",        "key 1 38",        "key 3 65574",      "key 1 38",
                  "key 3 65574",     "key 2 38",        "key 1 432",        "key 2 432",
                  "mouse 4 0 10 20", "mouse 5 0 10 20", "mouse 4 1 10 20",  "mouse 5 1 10 20",
                  "mouse 4 2 10 20", "mouse 5 2 10 20", "mouse 6 -1 30 40", "mouse 4 1 30 40"}));
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1);

    // The keys still held (not alt: it has no key code) and the button are
    // released first. Full-screen windows are neither placed nor titled.
    SetKey(GLFW_KEY_LALT, true);
    SetKey('Q', true);
    ClearRecord();
    host_->SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true);
    EXPECT_EQ(Trace(calls),
              (std::vector<std::string>{
                  "key 2 65", "key 2 81", "key 2 16", "key 2 13", "key 2 46", "mouse 5 1 30 40",
                  "glfwCloseWindow", "glfwOpenWindowHint NO_RESIZE 0",
                  "glfwOpenWindow 1280 1024 8 8 8 0 0 0 FULLSCREEN", "glfwEnable KEY_REPEAT",
                  "glfwDisable AUTO_POLL_EVENTS", "mouse 6 -1 30 40"}));
    EXPECT_EQ(glfwGraphicsSeq, 2);
    Inject(Key('Q', GLFW_PRESS));
    EXPECT_EQ(Deliver(), (std::vector<std::string>{"key 1 81"}));
    // A second switch releases what is held now, not the button the first
    // one already let go.
    ClearRecord();
    host_->SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"key 2 81", "mouse 6 -1 30 40"}));
    // A window opened behind the host's back has none of its callbacks: a
    // layer that kept them would hide a host that forgot to register them.
    glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
    Inject(Key('Q', GLFW_PRESS));
    EXPECT_EQ(Deliver(), std::vector<std::string>{});
}

// GLFW 2 orders a mode's bits red, blue, green; the host red, green, blue.
TEST_F(EventsTest, DisplayModesReportColourBitsInRedGreenBlueOrder) {
    const auto text = [](BBGlfwVideoMode* m) {
        return std::to_string(m->width) + "x" + std::to_string(m->height) + " " +
               std::to_string(m->red) + std::to_string(m->green) + std::to_string(m->blue);
    };
    glfw_fake::SetDesktopMode({1600, 900, 5, 6, 7});
    glfw_fake::SetVideoModes({{640, 480, 8, 4, 2}, {800, 600, 5, 5, 5}});
    Array<BBGlfwVideoMode*> modes = host_->GetGlfwVideoModes();
    ASSERT_EQ(modes.Length(), 2);
    EXPECT_EQ(text(host_->GetGlfwDesktopMode()) + ", " + text(modes[0]) + ", " + text(modes[1]),
              "1600x900 576, 640x480 824, 800x600 555");
}
