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
#include "tests/support/child_process.h"

using namespace glfw2;

namespace {

class EventsTest : public HostTest {
protected:
    // A started host with a recording delegate and an open window whose
    // callbacks are registered; the record starts empty.
    void OpenStarted() {
        Attach();
        host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
        host_->StartGame();
        glfw_fake::ClearRecord();
    }

    // Delivers the injected events and returns the delegate's marks.
    static std::vector<std::string> Deliver() {
        glfwPollEvents();
        return Trace();
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------

TEST_F(EventsTest, TransKeyMapsEveryKeyOfTheTableAndIgnoresTheRest) {
    // clang-format off
    const struct {
        int key;
        int code;
    } cases[] = {
        {'0', 48}, {'9', 57}, {'A', 65}, {'Z', 90}, {GLFW_KEY_SPACE, 32}, {'\'', 222}, {'"', 222},
        {',', 188}, {'-', 189}, {'.', 190}, {'/', 191}, {';', 186}, {'=', 187}, {'[', 219},
        {'\\', 220}, {']', 221}, {'`', 192}, {'~', 192},
        {GLFW_KEY_ESC, 27}, {GLFW_KEY_F1, 112}, {GLFW_KEY_F12, 123},
        {GLFW_KEY_UP, 38}, {GLFW_KEY_DOWN, 40}, {GLFW_KEY_LEFT, 37}, {GLFW_KEY_RIGHT, 39},
        {GLFW_KEY_LSHIFT, 16}, {GLFW_KEY_RSHIFT, 16}, {GLFW_KEY_LCTRL, 17}, {GLFW_KEY_RCTRL, 17},
        {GLFW_KEY_TAB, 9}, {GLFW_KEY_ENTER, 13}, {GLFW_KEY_BACKSPACE, 8}, {GLFW_KEY_INSERT, 45},
        {GLFW_KEY_DEL, 46}, {GLFW_KEY_PAGEUP, 33}, {GLFW_KEY_PAGEDOWN, 34}, {GLFW_KEY_HOME, 36},
        {GLFW_KEY_END, 35}, {GLFW_KEY_KP_0, 96}, {GLFW_KEY_KP_9, 105}, {GLFW_KEY_KP_DIVIDE, 111},
        {GLFW_KEY_KP_MULTIPLY, 106}, {GLFW_KEY_KP_SUBTRACT, 109}, {GLFW_KEY_KP_ADD, 107},
        {GLFW_KEY_KP_DECIMAL, 110},
        // Ignored.
        {GLFW_KEY_F13, 0}, {GLFW_KEY_F25, 0}, {GLFW_KEY_LALT, 0}, {GLFW_KEY_RALT, 0},
        {GLFW_KEY_KP_EQUAL, 0}, {GLFW_KEY_KP_ENTER, 0}, {GLFW_KEY_KP_NUM_LOCK, 0},
        {GLFW_KEY_CAPS_LOCK, 0}, {GLFW_KEY_SCROLL_LOCK, 0}, {GLFW_KEY_PAUSE, 0},
        {GLFW_KEY_LSUPER, 0}, {GLFW_KEY_RSUPER, 0}, {GLFW_KEY_MENU, 0},
        {'a', 0}, {'!', 0}, {31, 0}, {0, 0}, {-1, 0}, {GLFW_KEY_SPECIAL, 0},
        {GLFW_KEY_LAST + 1, 0}, {100000, 0},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(BBGlfwGame::TransKey(c.key), c.code) << c.key;
}

TEST_F(EventsTest, KeyToCharGivesControlCharactersAndMarksNavigationKeys) {
    const struct {
        int code;
        int character;
    } cases[] = {
        {8, 8},      {9, 9},      {13, 13},    {27, 27},    {33, 65569}, {34, 65570}, {35, 65571},
        {36, 65572}, {37, 65573}, {38, 65574}, {39, 65575}, {40, 65576}, {45, 65581}, {46, 127},
        {32, 0},     {65, 0},     {16, 0},     {112, 0},    {0, 0},      {432, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BBGlfwGame::KeyToChar(c.code), c.character) << c.code;
}

// ---------------------------------------------------------------------------
// Callbacks
// ---------------------------------------------------------------------------

// Keys send their code, characters come from the right place, a held cursor
// key sends its character on every repeat, the close button becomes the
// close key and leaves the window open, mouse buttons carry the cursor
// position and buttons above two are ignored.
TEST_F(EventsTest, EachCallbackSendsItsEvents) {
    OpenStarted();
    using glfw_fake::Inject;
    using glfw_fake::Key;
    for (int key : {int('A'), GLFW_KEY_DEL, GLFW_KEY_ENTER, GLFW_KEY_LALT, GLFW_KEY_F13,
                    GLFW_KEY_LSHIFT, GLFW_KEY_RSHIFT})
        Inject(Key(key, GLFW_PRESS));
    Inject(glfw_fake::Char('a'));
    Inject(Key(GLFW_KEY_LSHIFT, GLFW_RELEASE));
    Inject(Key(GLFW_KEY_UP, GLFW_PRESS));
    Inject(Key(GLFW_KEY_UP, glfw_fake::kRepeat));
    Inject(Key(GLFW_KEY_UP, GLFW_RELEASE));
    Inject(glfw_fake::Close());
    glfw_fake::SetMousePos(10, 20);
    for (int button = 0; button <= GLFW_MOUSE_BUTTON_LAST; ++button) {
        Inject(glfw_fake::MouseButton(button, GLFW_PRESS));
        Inject(glfw_fake::MouseButton(button, GLFW_RELEASE));
    }
    Inject(glfw_fake::MousePos(30, 40));
    EXPECT_EQ(Deliver(),
              (std::vector<std::string>{
                  "key 1 65", "key 1 46", "key 3 127", "key 1 13", "key 3 13", "key 1 16",
                  "key 1 16", "key 3 97", "key 2 16", "key 1 38", "key 3 65574", "key 1 38",
                  "key 3 65574", "key 2 38", "key 1 432", "key 2 432", "mouse 4 0 10 20",
                  "mouse 5 0 10 20", "mouse 4 1 10 20", "mouse 5 1 10 20", "mouse 4 2 10 20",
                  "mouse 5 2 10 20", "mouse 6 -1 30 40"}));
    EXPECT_TRUE(glfw_fake::WindowOpen());
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1);
}

// ---------------------------------------------------------------------------
// Joysticks
// ---------------------------------------------------------------------------

TEST_F(EventsTest, JoystickAxesAreRemappedByTheirCount) {
    const struct {
        std::vector<float> axes;
        float x0, y0, z0, x1, y1, z1;
    } cases[] = {
        {{}, 0, 0, 0, 0, 0, 0},
        {{0.1f, 0.2f}, 0.1f, 0.2f, 0, 0, 0, 0},
        // Four axes: the third is the right stick's y, the fourth its x.
        {{0.1f, 0.2f, 0.3f, 0.4f}, 0.1f, 0.2f, 0, 0.4f, 0.3f, 0},
        // Five axes: the fourth and fifth change places.
        {{0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, 0.1f, 0.2f, 0.3f, 0.5f, 0.4f, 0},
        {{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f},
        // More than six: the rest are not read.
        {{-1, 1, -0.5f, 0.5f, 0.25f, -0.25f, 0.9f, 0.8f}, -1, 1, -0.5f, 0.5f, 0.25f, -0.25f},
    };
    for (const auto& c : cases) {
        glfw_fake::SetJoystick(2, c.axes, {});
        Array<float> x(2), y(2), z(2);
        Array<bool> buttons(32);
        ASSERT_TRUE(host_->PollJoystick(2, x, y, z, buttons));
        const size_t n = c.axes.size();
        EXPECT_EQ(x[0], c.x0) << n;
        EXPECT_EQ(y[0], c.y0) << n;
        EXPECT_EQ(z[0], c.z0) << n;
        EXPECT_EQ(x[1], c.x1) << n;
        EXPECT_EQ(y[1], c.y1) << n;
        EXPECT_EQ(z[1], c.z1) << n;
    }
}

TEST_F(EventsTest, JoystickButtonsBeyondThePadsOwnKeepTheirStateAndAbsentPadsChangeNothing) {
    Array<float> x(2), y(2), z(2);
    Array<bool> buttons(32);
    buttons[3] = true;
    buttons[31] = true;
    x[0] = 0.75f;
    EXPECT_FALSE(host_->PollJoystick(0, x, y, z, buttons));
    EXPECT_EQ(x[0], 0.75f);

    glfw_fake::SetJoystick(0, {0, 0}, {GLFW_PRESS, GLFW_RELEASE, GLFW_PRESS});
    ASSERT_TRUE(host_->PollJoystick(0, x, y, z, buttons));
    EXPECT_TRUE(buttons[0]);
    EXPECT_FALSE(buttons[1]);
    EXPECT_TRUE(buttons[2]);
    EXPECT_TRUE(buttons[3]);
    EXPECT_TRUE(buttons[31]);

    // A pad with more than 32 buttons fills 32 and no more.
    std::vector<unsigned char> many(40, GLFW_PRESS);
    glfw_fake::SetJoystick(1, {}, many);
    Array<bool> all(32);
    ASSERT_TRUE(host_->PollJoystick(1, x, y, z, all));
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(all[i]) << i;
}

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

TEST_F(EventsTest, AWindowedWindowIsCentredTitledAndSetUpForTheLoop) {
    glfw_fake::SetDesktopMode({1920, 1080, 8, 8, 8});
    host_->SetGlfwWindow(1024, 768, 8, 8, 8, 0, 0, 0, false);

    ASSERT_EQ(glfw_fake::OpenedWindows().size(), 1u);
    const auto& w = glfw_fake::OpenedWindows()[0];
    EXPECT_EQ(w.width, 1024);
    EXPECT_EQ(w.height, 768);
    EXPECT_EQ(w.mode, GLFW_WINDOW);
    EXPECT_TRUE(w.resizable);
    EXPECT_EQ(glfw_fake::Positions(), (std::vector<std::pair<int, int>>{{448, 156}}));
    EXPECT_EQ(glfw_fake::Titles(), (std::vector<std::string>{"Dropling in A Vuro"}));
    EXPECT_TRUE(glfw_fake::Enabled(GLFW_KEY_REPEAT));
    EXPECT_FALSE(glfw_fake::Enabled(GLFW_AUTO_POLL_EVENTS));
    EXPECT_EQ(glfwGraphicsSeq, 1);
}

TEST_F(EventsTest, SwitchingReleasesHeldKeysFirstAndAdvancesTheSequenceOncePerWindow) {
    OpenStarted();
    glfw_fake::SetKey(GLFW_KEY_RIGHT, true);
    glfw_fake::SetKey(GLFW_KEY_LALT, true);  // held, but has no key code
    glfw_fake::SetKey('Q', true);
    // The right button was pressed, the left one pressed and released.
    glfw_fake::Inject(glfw_fake::MouseButton(1, GLFW_PRESS));
    glfw_fake::Inject(glfw_fake::MouseButton(0, GLFW_PRESS));
    glfw_fake::Inject(glfw_fake::MouseButton(0, GLFW_RELEASE));
    Deliver();
    glfw_fake::ClearRecord();
    host_->SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true);

    EXPECT_EQ(Trace({"glfwCloseWindow", "glfwOpenWindow"}),
              (std::vector<std::string>{"key 2 81", "key 2 39", "mouse 5 1 0 0", "glfwCloseWindow", "glfwOpenWindow",
                                        "mouse 6 -1 0 0"}));
    EXPECT_EQ(glfw_fake::OpenedWindows().back().mode, GLFW_FULLSCREEN);
    // Full-screen windows are neither placed nor titled.
    EXPECT_TRUE(glfw_fake::Positions().empty());
    EXPECT_TRUE(glfw_fake::Titles().empty());
    EXPECT_EQ(glfwGraphicsSeq, 2);

    host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    EXPECT_EQ(glfwGraphicsSeq, 3);
    // The new window's callbacks are ours again.
    glfw_fake::ClearRecord();
    glfw_fake::Inject(glfw_fake::Key('Q', GLFW_PRESS));
    EXPECT_EQ(Deliver(), (std::vector<std::string>{"key 1 81"}));
}

TEST_F(EventsTest, DisplayModesReportColourBitsInRedGreenBlueOrder) {
    glfw_fake::SetDesktopMode({1600, 900, 5, 6, 7});  // red, blue, green
    BBGlfwVideoMode* desktop = host_->GetGlfwDesktopMode();
    EXPECT_EQ(desktop->width, 1600);
    EXPECT_EQ(desktop->height, 900);
    EXPECT_EQ(desktop->red, 5);
    EXPECT_EQ(desktop->green, 7);
    EXPECT_EQ(desktop->blue, 6);

    glfw_fake::SetVideoModes({{640, 480, 8, 4, 2}, {800, 600, 8, 8, 8}});
    Array<BBGlfwVideoMode*> modes = host_->GetGlfwVideoModes();
    ASSERT_EQ(modes.Length(), 2);
    EXPECT_EQ(modes[0]->width, 640);
    EXPECT_EQ(modes[0]->green, 2);
    EXPECT_EQ(modes[0]->blue, 4);
    EXPECT_EQ(modes[1]->height, 600);

    glfw_fake::SetVideoModes({});
    EXPECT_EQ(host_->GetGlfwVideoModes().Length(), 0);

    glfw_fake::SetVideoModes(std::vector<GLFWvidmode>(1500, GLFWvidmode{320, 200, 8, 8, 8}));
    EXPECT_EQ(host_->GetGlfwVideoModes().Length(), kMaxVideoModes);
}

TEST_F(EventsTest, AWindowThatCannotBeOpenedEndsTheProcessBeforeTheApplicationStarts) {
    RecordingDelegate* d = Attach();
    d->onStart = d->onRender = [] { puts("application code"); };
    glfw_fake::SetOpenResult(false);
    const ChildResult r = RunInChild([&] { host_->Run(); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "host: the window could not be opened (640x480, windowed)\n");
}
