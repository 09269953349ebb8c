// The real window layer on a real (virtual) display: one window through its
// life (keys typed through the X server, key repeats and characters, the
// mouse, focus and minimised states, the close callback's veto), re-created
// windows with a fresh context and forgotten hints and switches, and full
// screen with the display modes.
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
// The most rounds of the window layer's event loop a test waits for one
// change before it fails.
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

    // Sends our window a client message of type `type` and waits until the
    // server has handled everything asked before it.
    void Send(const char* type, long data = 0) {
        XEvent e = {};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, type, False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = data;
        XSendEvent(d, w, False, NoEventMask, &e);
        XSync(d, False);
    }

    // Runs the window layer's event loop until `done`. Each round first
    // sends a message of no meaning that wakes the wait: it reaches the
    // window after every event the server made before it, so a change that
    // never comes fails the test after kMaxWaits rounds instead of hanging.
    template <typename Done>
    bool WaitUntil(Done done) {
        for (int i = 0; i < kMaxWaits && !done(); ++i) {
            Send("DROPLING_TEST_WAKE");
            glfwWaitEvents();
        }
        return done();
    }
};

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "these tests need an X display (run under xvfb-run)";
        ASSERT_EQ(glfwInit(), 1);
    }
    // Not glfwTerminate: that closes the X connection, which unloads Mesa's
    // driver, and memory the driver still held then shows up as a leak in
    // the sanitizer build. Each test runs in its own process anyway.
    void TearDown() override { glfwCloseWindow(); }

    // Opens a window of this size and title with the test's callbacks, the
    // record empty but for the position the mouse callback hears at once.
    static void Open(int width, int height, const char* title) {
        keys.clear();
        chars.clear();
        buttons.clear();
        moves.clear();
        ASSERT_EQ(glfwOpenWindow(width, height, 8, 8, 8, 0, 0, 0, GLFW_WINDOW), 1);
        glfwSetWindowTitle(title);
        glfwSetKeyCallback(OnKey);
        glfwSetCharCallback(OnChar);
        glfwSetWindowCloseCallback(OnClose);
        glfwSetMouseButtonCallback(OnMouseButton);
        glfwSetMousePosCallback(OnMousePos);
    }
};

TEST_F(RealWindow, OneWindowHearsKeysTheMouseItsStatesAndItsCloseButton) {
    const std::string title = "platform-test-window";
    ASSERT_NO_FATAL_FAILURE(Open(640, 480, title.c_str()));
    glfwSetWindowPos(100, 50);
    int w = 0, h = 0;
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
    EXPECT_EQ(glfwGetWindowParam(GLFW_RED_BITS), 8);
    EXPECT_EQ(glfwGetWindowParam(GLFW_ACTIVE), 1) << "a new window counts as focused";
    EXPECT_EQ(glfwGetWindowParam(GLFW_ICONIFIED), 0);
    EXPECT_EQ(moves.size(), 1u);
    XSide x(title);
    ASSERT_NE(x.w, 0u) << "window " << title << " not found";
    // Give our window the input focus, as a click on it would: its own idea
    // of its focus is not enough, as the server has not moved it there yet.
    XSetInputFocus(x.d, x.w, RevertToPointerRoot, CurrentTime);
    XSync(x.d, False);

    // Keys typed through the server arrive translated, with their characters.
    ASSERT_EQ(std::system("xdotool key --clearmodifiers Up a F11 Delete"), 0);
    const std::vector<std::pair<int, int>> typed = {
        {GLFW_KEY_UP, GLFW_PRESS},  {GLFW_KEY_UP, GLFW_RELEASE},  {'A', GLFW_PRESS},
        {'A', GLFW_RELEASE},        {GLFW_KEY_F11, GLFW_PRESS},   {GLFW_KEY_F11, GLFW_RELEASE},
        {GLFW_KEY_DEL, GLFW_PRESS}, {GLFW_KEY_DEL, GLFW_RELEASE},
    };
    x.WaitUntil([&] { return keys.size() >= typed.size(); });
    EXPECT_EQ(keys, typed);
    EXPECT_EQ(chars, std::vector<int>{'a'});
    EXPECT_EQ(glfwGetKey(GLFW_KEY_UP), GLFW_RELEASE);

    // A held key's repeats, each followed by the character it types, are
    // presses only while key repeat is on; it starts off with every window.
    const struct {
        bool repeatOn;
        int action3;
        std::vector<std::pair<int, int>> keys;
        std::vector<int> chars;
    } steps[] = {
        {false, kGlfw3Press, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {false, kGlfw3Repeat, {}, {}},
        {false, kGlfw3Release, {{GLFW_KEY_UP, GLFW_RELEASE}}, {}},
        {true, kGlfw3Press, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {true, kGlfw3Repeat, {{GLFW_KEY_UP, GLFW_PRESS}}, {'a'}},
        {true, kGlfw3Release, {{GLFW_KEY_UP, GLFW_RELEASE}}, {}},
    };
    for (const auto& step : steps) {
        keys.clear();
        chars.clear();
        if (step.repeatOn) glfwEnable(GLFW_KEY_REPEAT);
        glfw2::detail::OnGlfw3Key(kGlfw3KeyUp, step.action3);
        if (step.action3 != kGlfw3Release) glfw2::detail::OnGlfw3Char('a');
        EXPECT_EQ(keys, step.keys) << step.repeatOn << " " << step.action3;
        EXPECT_EQ(chars, step.chars) << step.repeatOn << " " << step.action3;
    }
    // Control characters and C1 codes never reach the character callback.
    chars.clear();
    for (unsigned int c : {8u, 13u, 27u, 127u, 0x85u, 0xE9u, 0x20ACu})
        glfw2::detail::OnGlfw3Char(c);
    EXPECT_EQ(chars, (std::vector<int>{0xE9, 0x20AC}));

    // Without a window manager there is no frame: client (10, 20) is screen
    // (110, 70). Entering the window may report where the pointer was first.
    ASSERT_EQ(std::system("xdotool mousemove 110 70 click 3"), 0);
    x.WaitUntil([] { return buttons.size() >= 2; });
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), std::make_pair(10, 20));
    EXPECT_EQ(buttons, (std::vector<std::pair<int, int>>{{GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS},
                                                         {GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE}}));
    int mx = 0, my = 0;
    glfwGetMousePos(&mx, &my);
    EXPECT_EQ(std::make_pair(mx, my), std::make_pair(10, 20));

    // Focus elsewhere and back, as clicking another window would; then
    // minimised and back, the state a window manager records in WM_STATE.
    for (Window focus : {DefaultRootWindow(x.d), x.w}) {
        XSetInputFocus(x.d, focus, RevertToPointerRoot, CurrentTime);
        const int active = focus == x.w ? 1 : 0;
        EXPECT_TRUE(x.WaitUntil([&] { return glfwGetWindowParam(GLFW_ACTIVE) == active; }));
    }
    const long kNormalState = 1;
    const long kIconicState = 3;
    const Atom wmState = XInternAtom(x.d, "WM_STATE", False);
    for (long state : {kIconicState, kNormalState}) {
        long data[2] = {state, 0};
        XChangeProperty(x.d, x.w, wmState, wmState, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(data), 2);
        const int iconified = state == kIconicState ? 1 : 0;
        EXPECT_TRUE(x.WaitUntil([&] { return glfwGetWindowParam(GLFW_ICONIFIED) == iconified; }));
    }

    // The close button, as a window manager sends it: a callback answering 0
    // keeps the window, one answering 1 lets it close.
    const long deleteWindow = static_cast<long>(XInternAtom(x.d, "WM_DELETE_WINDOW", False));
    for (int answer : {0, 1}) {
        closeAnswer = answer;
        x.Send("WM_PROTOCOLS", deleteWindow);
        ASSERT_TRUE(x.WaitUntil([&] { return closeCalls == answer + 1; }));
        EXPECT_EQ(glfwGetWindowParam(GLFW_OPENED), 1 - answer);
    }
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(0, 0));
}

TEST_F(RealWindow, ReOpeningGivesAFreshContextAndForgetsHintsAndKeyRepeat) {
    ASSERT_NO_FATAL_FAILURE(Open(640, 480, "platform-test-open"));
    glfwEnable(GLFW_KEY_REPEAT);
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
    ASSERT_NO_FATAL_FAILURE(Open(320, 240, "platform-test-reopen"));
    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_EQ(glIsTexture(texture), GL_FALSE);
    int w = 0, h = 0;
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(320, 240));
    EXPECT_EQ(glfwGetWindowParam(GLFW_WINDOW_NO_RESIZE), 1);
    // Key repeat is off again, as GLFW 2 had it.
    glfw2::detail::OnGlfw3Key(kGlfw3KeyUp, kGlfw3Repeat);
    EXPECT_TRUE(keys.empty());

    // Opening over an open window replaces it; hints lasted one window only.
    ASSERT_NO_FATAL_FAILURE(Open(0, 0, "platform-test-default-size"));
    glfwGetWindowSize(&w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
    EXPECT_EQ(glfwGetWindowParam(GLFW_WINDOW_NO_RESIZE), 0);
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
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(desktop.Width, desktop.Height));
}

}  // namespace
