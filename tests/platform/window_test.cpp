// The real window layer on a real (virtual) display: opening, re-creating
// and closing the one window, the close callback's veto, key repeats and
// characters, and a key typed through the X server.
//
// Needs a display (the test command runs the suite under Xvfb) and xdotool;
// each test opens a window, so they hold the "display" resource lock.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/glfw2.h"
#include "platform/glfw2_detail.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

using namespace glfw2;

namespace {

// GLFW 3's numbers for what the detail entry points take.
constexpr int kGlfw3Release = 0;
constexpr int kGlfw3Press = 1;
constexpr int kGlfw3Repeat = 2;
constexpr int kGlfw3KeyUp = 265;
constexpr int kGlfw3KeyA = 65;
// GLFW waits this many events at most for one we sent before giving up, so
// that a lost event fails the test instead of hanging it.
constexpr int kMaxWaits = 200;

std::vector<std::pair<int, int>> keys;
std::vector<int> chars;
std::vector<std::pair<int, int>> buttons;
std::vector<std::pair<int, int>> moves;
int closeCalls = 0;
int closeAnswer = 0;

void OnKey(int key, int action) {
    keys.emplace_back(key, action);
}
void OnChar(int c, int action) {
    if (action == GLFW_PRESS) chars.push_back(c);
}
void OnMouseButton(int button, int action) {
    buttons.emplace_back(button, action);
}
void OnMousePos(int x, int y) {
    moves.emplace_back(x, y);
}
int OnClose() {
    ++closeCalls;
    return closeAnswer;
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        keys.clear();
        chars.clear();
        buttons.clear();
        moves.clear();
        closeCalls = 0;
        closeAnswer = 0;
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "these tests need an X display (run under xvfb-run)";
        ASSERT_EQ(glfwInit(), 1);
    }
    // Not glfwTerminate: that closes the X connection, which unloads Mesa's
    // driver, and memory the driver still held then shows up as a leak in
    // the sanitizer build. Each test runs in its own process anyway.
    void TearDown() override { glfwCloseWindow(); }

    void Open(int width, int height, const char* title) {
        ASSERT_EQ(glfwOpenWindow(width, height, 8, 8, 8, 0, 0, 0, GLFW_WINDOW), 1);
        glfwSetWindowTitle(title);
        glfwSetKeyCallback(OnKey);
        glfwSetCharCallback(OnChar);
        glfwSetWindowCloseCallback(OnClose);
    }
};

// Finds our window on the X server by its (unique) title.
Window FindByTitle(Display* d, Window root, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(d, root, &name) && name) {
        bool match = title == name;
        XFree(name);
        if (match) return root;
    }
    Window parent, *children = nullptr;
    Window rootReturn;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(d, root, &rootReturn, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !found; ++i)
            found = FindByTitle(d, children[i], title);
        if (children) XFree(children);
    }
    return found;
}

// A connection of the test's own to the display, and our window on it.
struct XSide {
    Display* d = nullptr;
    Window w = 0;
    explicit XSide(const std::string& title) {
        d = XOpenDisplay(nullptr);
        if (d) w = FindByTitle(d, DefaultRootWindow(d), title);
    }
    ~XSide() {
        if (d) XCloseDisplay(d);
    }
};

// Gives our window the input focus, as a click on it would. The new
// window's own idea of its focus is not enough: it counts as focused from
// the start, before the server has actually moved the focus to it.
void FocusOn(const std::string& title) {
    XSide x(title);
    ASSERT_NE(x.w, 0u) << "window " << title << " not found";
    XSetInputFocus(x.d, x.w, RevertToPointerRoot, CurrentTime);
    XSync(x.d, False);
}

// What a window manager sends when the user clicks the close button.
void SendDeleteWindow(const std::string& title) {
    XSide x(title);
    ASSERT_NE(x.w, 0u) << "window " << title << " not found";
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = x.w;
    e.xclient.message_type = XInternAtom(x.d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(x.d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.d, x.w, False, NoEventMask, &e);
    XSync(x.d, False);
}

template <typename Done>
void WaitUntil(Done done) {
    for (int i = 0; i < kMaxWaits && !done(); ++i)
        glfwWaitEvents();
}

TEST_F(RealWindow, OpensReadsBackAndReCreatesWithAFreshContext) {
    Open(640, 480, "platform-test-open");
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1);
    int w = 0, h = 0;
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(glfwGetWindowParam(GLFW_RED_BITS), 8);
    EXPECT_EQ(glfwGetWindowParam(GLFW_ICONIFIED), 0);

    // A texture made in the first window's context...
    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    ASSERT_EQ(glIsTexture(texture), GL_TRUE);

    // ...is gone in the next one, whose context is current at once.
    glfwCloseWindow();
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 0);
    glfwOpenWindowHint(GLFW_WINDOW_NO_RESIZE, 1);
    Open(320, 240, "platform-test-reopen");
    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_EQ(glIsTexture(texture), GL_FALSE);
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(glfwGetWindowParam(GLFW_WINDOW_NO_RESIZE), 1);

    // Opening over an open window replaces it; hints lasted one window only.
    Open(0, 0, "platform-test-default-size");
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(glfwGetWindowParam(GLFW_WINDOW_NO_RESIZE), 0);
}

TEST_F(RealWindow, CloseCallbackVetoesClosingAndOtherwiseTheWindowCloses) {
    const std::string title = "platform-test-close";
    Open(640, 480, title.c_str());
    glfwPollEvents();

    closeAnswer = 0;
    SendDeleteWindow(title);
    WaitUntil([] { return closeCalls == 1; });
    ASSERT_EQ(closeCalls, 1);
    glfwPollEvents();
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1) << "a callback answering 0 keeps the window";

    closeAnswer = 1;
    SendDeleteWindow(title);
    WaitUntil([] { return closeCalls == 2; });
    ASSERT_EQ(closeCalls, 2);
    EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 0) << "a callback answering 1 lets it close";
    int w = -1, h = -1;
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(RealWindow, RepeatsArePressesOnlyWhileKeyRepeatIsEnabled) {
    Open(640, 480, "platform-test-repeat");
    struct Step {
        bool repeatOn;
        int action3;
        std::vector<std::pair<int, int>> keys;
        std::vector<int> chars;
    };
    const Step steps[] = {
        // Key repeat starts off with every new window.
        {false, kGlfw3Press, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {false, kGlfw3Repeat, {}, {}},
        {false, kGlfw3Release, {{GLFW_KEY_UP, GLFW_RELEASE}}, {}},
        {true, kGlfw3Press, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {true, kGlfw3Repeat, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {true, kGlfw3Release, {{GLFW_KEY_UP, GLFW_RELEASE}}, {}},
    };
    for (const Step& step : steps) {
        if (step.repeatOn) glfwEnable(GLFW_KEY_REPEAT);
        keys.clear();
        chars.clear();
        glfw2::detail::OnGlfw3Key(kGlfw3KeyUp, step.action3);
        // A press or repeat of a printable key types its character right after.
        if (step.action3 != kGlfw3Release) glfw2::detail::OnGlfw3Char('a');
        EXPECT_EQ(keys, step.keys) << "repeat " << step.repeatOn << " action " << step.action3;
        EXPECT_EQ(chars, step.chars) << "repeat " << step.repeatOn << " action " << step.action3;
    }

    // Re-opening switches key repeat off again, as GLFW 2 did.
    Open(640, 480, "platform-test-repeat-2");
    keys.clear();
    glfw2::detail::OnGlfw3Key(kGlfw3KeyA, kGlfw3Repeat);
    EXPECT_TRUE(keys.empty());

    // Control characters and C1 codes never reach the character callback.
    glfw2::detail::OnGlfw3Key(kGlfw3KeyA, kGlfw3Release);
    chars.clear();
    for (unsigned int c : {8u, 13u, 27u, 127u, 0x85u, 0xE9u, 0x20ACu})
        glfw2::detail::OnGlfw3Char(c);
    EXPECT_EQ(chars, (std::vector<int>{0xE9, 0x20AC}));
}

TEST_F(RealWindow, KeysTypedThroughTheServerArriveTranslated) {
    const std::string title = "platform-test-xdotool";
    Open(640, 480, title.c_str());
    FocusOn(title);
    glfwPollEvents();

    ASSERT_EQ(std::system("xdotool key --clearmodifiers Up a F11 Delete"), 0);
    const std::vector<std::pair<int, int>> expected = {
        {GLFW_KEY_UP, GLFW_PRESS},  {GLFW_KEY_UP, GLFW_RELEASE},  {'A', GLFW_PRESS},
        {'A', GLFW_RELEASE},        {GLFW_KEY_F11, GLFW_PRESS},   {GLFW_KEY_F11, GLFW_RELEASE},
        {GLFW_KEY_DEL, GLFW_PRESS}, {GLFW_KEY_DEL, GLFW_RELEASE},
    };
    WaitUntil([&] { return keys.size() >= expected.size(); });
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(chars, std::vector<int>{'a'});
    EXPECT_EQ(glfwGetKey(GLFW_KEY_UP), GLFW_RELEASE);
}

TEST_F(RealWindow, MouseArrivesInWholeClientPixels) {
    Open(640, 480, "platform-test-mouse");
    glfwSetWindowPos(100, 50);
    glfwSetMouseButtonCallback(OnMouseButton);
    glfwSetMousePosCallback(OnMousePos);
    ASSERT_EQ(moves.size(), 1u) << "setting the callback reports the position at once";
    glfwPollEvents();
    moves.clear();

    // Without a window manager there is no frame: client (10, 20) is screen (110, 70).
    ASSERT_EQ(std::system("xdotool mousemove 110 70 click 3"), 0);
    WaitUntil([] { return buttons.size() >= 2; });
    // Entering the window may report where the pointer was first.
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), std::make_pair(10, 20));
    EXPECT_EQ(buttons, (std::vector<std::pair<int, int>>{{GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS},
                                                         {GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE}}));
    int x = 0, y = 0;
    glfwGetMousePos(&x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
}

TEST_F(RealWindow, ActiveAndIconifiedFollowTheServer) {
    const std::string title = "platform-test-states";
    Open(640, 480, title.c_str());
    EXPECT_EQ(glfwGetWindowParam(GLFW_ACTIVE), 1) << "a new window counts as focused";
    EXPECT_EQ(glfwGetWindowParam(GLFW_ICONIFIED), 0);
    FocusOn(title);
    glfwPollEvents();
    XSide x(title);
    ASSERT_NE(x.w, 0u);

    // Focus elsewhere and back, as clicking another window would. The
    // states change with the events, so the answers come after a poll.
    XSetInputFocus(x.d, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(x.d, False);
    WaitUntil([] { return glfwGetWindowParam(GLFW_ACTIVE) == 0; });
    EXPECT_EQ(glfwGetWindowParam(GLFW_ACTIVE), 0);
    XSetInputFocus(x.d, x.w, RevertToPointerRoot, CurrentTime);
    XSync(x.d, False);
    WaitUntil([] { return glfwGetWindowParam(GLFW_ACTIVE) == 1; });
    EXPECT_EQ(glfwGetWindowParam(GLFW_ACTIVE), 1);

    // Minimised is the state a window manager records in WM_STATE.
    const long kNormalState = 1;
    const long kIconicState = 3;
    Atom wmState = XInternAtom(x.d, "WM_STATE", False);
    for (long state : {kIconicState, kNormalState}) {
        long data[2] = {state, 0};
        XChangeProperty(x.d, x.w, wmState, wmState, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(data), 2);
        XSync(x.d, False);
        const int expected = state == kIconicState ? 1 : 0;
        WaitUntil([&] { return glfwGetWindowParam(GLFW_ICONIFIED) == expected; });
        EXPECT_EQ(glfwGetWindowParam(GLFW_ICONIFIED), expected);
    }
}

TEST_F(RealWindow, FullScreenCoversTheDesktopAndModesListEachSizeOnce) {
    GLFWvidmode desktop;
    glfwGetDesktopMode(&desktop);
    ASSERT_GT(desktop.Width, 0);
    EXPECT_EQ(desktop.RedBits + desktop.GreenBits + desktop.BlueBits, 24);

    GLFWvidmode modes[1024];
    int n = glfwGetVideoModes(modes, 1024);
    ASSERT_GE(n, 1);
    for (int i = 1; i < n; ++i) {
        EXPECT_FALSE(modes[i].Width == modes[i - 1].Width &&
                     modes[i].Height == modes[i - 1].Height &&
                     modes[i].RedBits == modes[i - 1].RedBits)
            << "mode " << i << " repeats the one before";
    }
    EXPECT_EQ(glfwGetVideoModes(modes, 0), 0);

    ASSERT_EQ(glfwOpenWindow(desktop.Width, desktop.Height, desktop.RedBits, desktop.GreenBits,
                             desktop.BlueBits, 0, 0, 0, GLFW_FULLSCREEN),
              1);
    int w = 0, h = 0;
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(w, desktop.Width);
    EXPECT_EQ(h, desktop.Height);
}

}  // namespace
